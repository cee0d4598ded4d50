#include "platform/media/linux/AudioCaptureSession.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/core/Format.h"
#include "platform/core/linux/ThreadName.h"
#include "platform/core/linux/ThreadPriority.h"

namespace platform {
namespace {

constexpr int kRate = AudioCaptureSession::kFormat.sampleRate;
constexpr int kChannels = AudioCaptureSession::kFormat.channels;
constexpr std::size_t kReserveSamples = kRate / 25 * kChannels;  // 40 ms
constexpr std::size_t kLimitSamples = kRate / 4 * kChannels;     // 250 ms
// Ahead of busy programs where it may be, beside the screen grab: sound the
// server cannot hand over in time is lost.
constexpr int kCaptureNiceValue = -10;

std::int64_t time_100ns(std::int64_t frames) { return frames * 10'000'000 / kRate; }

std::int64_t framesOf(std::chrono::steady_clock::duration d) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count() * kRate / 1'000'000'000;
}

}  // namespace

AudioCaptureSession::AudioCaptureSession(std::unique_ptr<AudioRecordStream> remote,
                                         std::unique_ptr<AudioRecordStream> local, AudioMixer& mixer, const Pin& out,
                                         DiagnosticLog& log, const StreamClock* clock, Reopen reopen)
    : remote_{std::move(remote)},
      local_{std::move(local)},
      mixer_(mixer),
      out_(out),
      log_(log),
      clock_(clock),
      reopen_(std::move(reopen)),
      localBuffer_(kReserveSamples, kLimitSamples, kChannels),
      thread_([this] { run(); }) {}

AudioCaptureSession::~AudioCaptureSession() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void AudioCaptureSession::setRunning(bool running) { running_ = running; }

void AudioCaptureSession::finish() { finish_ = true; }

void AudioCaptureSession::run() {
    nameThisThread("Sound capture");
    log_.append("\r\nSound capture " + favourThisThread(kCaptureNiceValue));
    try {
        capture();
    } catch (const std::exception& e) {
        log_.append(std::string("\r\nAudio capture stopped: ") + e.what());
    } catch (...) {
        log_.append("\r\nAudio capture stopped: unknown error");
    }
    // Downstream always learns that the stream ended, so nothing waits for it.
    out_.deliverEndOfStream();
}

std::optional<std::int64_t> AudioCaptureSession::clockFrames() const {
    if (clock_ == nullptr) return std::nullopt;
    return clock_->now_100ns() * kRate / 10'000'000;
}

std::int64_t AudioCaptureSession::end(const std::vector<std::int16_t>& pending) const {
    return deliveredFrames_ + static_cast<std::int64_t>(pending.size() / kChannels);
}

void AudioCaptureSession::capture() {
    // The sides this run records; they stay wanted while their stream is away.
    remote_.wanted = remote_.stream != nullptr;
    local_.wanted = local_.stream != nullptr;
    Side& pace = remote_.wanted ? remote_ : local_;
    const AudioSide paceSide = remote_.wanted ? AudioSide::Remote : AudioSide::Local;
    Side* joined = remote_.wanted && local_.wanted ? &local_ : nullptr;
    std::vector<std::int16_t> paced, joinedSamples, pending;
    while (!stop_ && !finish_) {
        paced.clear();
        AudioCaptureTime capturedAt;
        if (pace.stream) {
            // Reading never blocks downstream for long: the sound server
            // buffers what arrives meanwhile, so a slow encoder loses nothing.
            read(pace, paceSide, paced, kReadWait, &capturedAt);
        } else {
            reopenIfDue(pace, paceSide);
            if (!pace.stream) std::this_thread::sleep_for(kReadWait / 2);
        }
        if (joined != nullptr) {
            joinedSamples.clear();
            if (joined->stream) read(*joined, AudioSide::Local, joinedSamples, std::chrono::milliseconds(0), nullptr);
            else reopenIfDue(*joined, AudioSide::Local);
        }
        if (!running_) {
            localBuffer_.clear();
            continue;
        }
        if (joined != nullptr) localBuffer_.push(joinedSamples);
        if (!paced.empty()) {
            addPaced(paced, capturedAt, pending);
        } else if (const auto now = clockFrames(); now && (paceTimed_ || !pace.stream)) {
            // The pace stream is silent or gone: the recording's sound goes on
            // as silence, and what comes back is placed anew.
            if (*now - kStallFrames > end(pending)) {
                fillTo(*now - kStallFrames, pending);
                timeline_.reset();
            }
        }
        deliver(pending, false);
    }
    // Sound that stalled up to the stop still lasts as long as the picture.
    if (const auto now = clockFrames(); now && running_ && (paceTimed_ || !pace.stream)) fillTo(*now, pending);
    deliver(pending, true);
    if (const auto mean = timeline_.lastWindowMean())
        log_.append(format("\r\nAudio capture: sound %+.1f ms from its capture times at the end",
                           static_cast<double>(*mean) * 1000.0 / kRate));
    if (insertedFrames_ > 0 || droppedFrames_ > 0)
        log_.append(format("\r\nAudio capture: %lld ms of silence put in, %lld ms of overlap dropped",
                           static_cast<long long>(insertedFrames_ * 1000 / kRate),
                           static_cast<long long>(droppedFrames_ * 1000 / kRate)));
}

AudioStatus AudioCaptureSession::read(Side& side, AudioSide which, std::vector<std::int16_t>& samples,
                                      std::chrono::milliseconds timeout, AudioCaptureTime* capturedAt) {
    AudioStatus status = side.stream->read(samples, timeout, capturedAt);
    if (status.ok()) return status;
    // Losing a device must not end the recording: its side is silence until
    // it can be opened again.
    log_.append(which == AudioSide::Local ? "\r\nAudio capture goes on without the local side: " + status.message
                                          : "\r\nAudio capture goes on with silence: " + status.message);
    side.stream.reset();
    side.retryAt = std::chrono::steady_clock::now() + kRetryEvery;
    samples.clear();
    if (which == AudioSide::Local) localBuffer_.clear();
    return status;
}

void AudioCaptureSession::reopenIfDue(Side& side, AudioSide which) {
    if (!reopen_ || std::chrono::steady_clock::now() < side.retryAt) return;
    std::unique_ptr<AudioRecordStream> stream;
    if (AudioStatus status = reopen_(which, stream); !status.ok() || !stream) {
        side.retryAt = std::chrono::steady_clock::now() + kRetryEvery;
        return;
    }
    log_.append("\r\nAudio capture records \"" + stream->sourceName() + "\" again");
    side.stream = std::move(stream);
    if (&side == &local_ && remote_.wanted) localBuffer_.clear();
    else timeline_.reset();
}

void AudioCaptureSession::addPaced(std::vector<std::int16_t>& paced, const AudioCaptureTime& capturedAt,
                                   std::vector<std::int16_t>& pending) {
    const auto frames = static_cast<std::int64_t>(paced.size() / kChannels);
    std::optional<std::int64_t> due;
    if (const auto now = clockFrames()) {
        if (capturedAt) {
            paceTimed_ = true;
            // Nothing is recorded in the future, whatever a clock says.
            due = std::min(*now, *now - framesOf(std::chrono::steady_clock::now() - *capturedAt));
        } else if (!timeline_.placed()) {
            // Without capture times: the first sound ends now; what the stream
            // clock ran before it came is silence.
            due = std::max(end(pending), *now - frames);
        }
    }
    const SoundTimeline::Placement placement = timeline_.place(end(pending), due, frames, !capturedAt);
    if ((placement.silence > 0 || placement.drop > 0) && timeline_.placed() && end(pending) > 0)
        log_.append(format("\r\nAudio capture: sound placed anew, %+.1f ms",
                           static_cast<double>(placement.silence - placement.drop) * 1000.0 / kRate));
    if (placement.silence > 0) fillTo(end(pending) + placement.silence, pending);
    if (placement.drop > 0) {
        droppedFrames_ += placement.drop;
        paced.erase(paced.begin(), paced.begin() + static_cast<std::ptrdiff_t>(placement.drop * kChannels));
        if (paced.empty()) return;
    }
    std::span<const std::int16_t> remoteSide, localSide;
    if (remote_.wanted) {
        remoteSide = paced;
        if (local_.wanted) {
            localBuffer_.take(paced.size(), localSamples_);
            localSide = localSamples_;
        }
    } else {
        localSide = paced;
    }
    mixer_.mix(remoteSide, localSide, mixed_);
    pending.insert(pending.end(), mixed_.begin(), mixed_.end());
}

void AudioCaptureSession::fillTo(std::int64_t until, std::vector<std::int16_t>& pending) {
    std::int64_t missing = until - end(pending);
    if (missing <= 0) return;
    insertedFrames_ += missing;
    while (missing > 0) {
        const std::int64_t frames = std::min<std::int64_t>(missing, kFramesPerSample);
        const auto samples = static_cast<std::size_t>(frames * kChannels);
        mixed_.clear();
        if (remote_.wanted && local_.wanted) {
            // The local side still speaks while the remote side is away.
            localBuffer_.take(samples, localSamples_);
            mixer_.mix({}, localSamples_, mixed_);
        }
        mixed_.resize(samples, 0);
        pending.insert(pending.end(), mixed_.begin(), mixed_.end());
        missing -= frames;
    }
}

void AudioCaptureSession::deliver(std::vector<std::int16_t>& pending, bool all) {
    constexpr std::size_t kSamplesPerSample = static_cast<std::size_t>(kFramesPerSample) * kChannels;
    std::size_t done = 0;
    while (pending.size() - done >= kSamplesPerSample || (all && pending.size() > done)) {
        const std::size_t count = std::min(kSamplesPerSample, pending.size() - done);
        const std::int64_t frames = deliveredFrames_;
        const std::int64_t more = static_cast<std::int64_t>(count / kChannels);
        auto sample = std::make_shared<MediaSample>();
        sample->pts_100ns = time_100ns(frames);
        sample->duration_100ns = time_100ns(frames + more) - sample->pts_100ns;
        sample->data.resize(count * sizeof(std::int16_t));
        std::memcpy(sample->data.data(), pending.data() + done, sample->data.size());
        out_.deliver(sample);
        deliveredFrames_ = frames + more;
        done += count;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(done));
}

}  // namespace platform
