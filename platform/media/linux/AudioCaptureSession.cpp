#include "platform/media/linux/AudioCaptureSession.h"

#include <cstring>
#include <exception>

namespace platform {
namespace {

constexpr int kChannels = AudioCaptureSession::kFormat.channels;
constexpr std::size_t kReserveSamples = AudioCaptureSession::kFormat.sampleRate / 25 * kChannels;  // 40 ms
constexpr std::size_t kLimitSamples = AudioCaptureSession::kFormat.sampleRate / 4 * kChannels;     // 250 ms

std::int64_t time_100ns(std::int64_t frames) {
    return frames * 10'000'000 / AudioCaptureSession::kFormat.sampleRate;
}

}  // namespace

AudioCaptureSession::AudioCaptureSession(std::unique_ptr<AudioRecordStream> remote,
                                         std::unique_ptr<AudioRecordStream> local, AudioMixer& mixer, const Pin& out,
                                         DiagnosticLog& log, const StreamClock* clock)
    : remote_(std::move(remote)),
      local_(std::move(local)),
      mixer_(mixer),
      out_(out),
      log_(log),
      clock_(clock),
      localBuffer_(kReserveSamples, kLimitSamples, kChannels),
      thread_([this] { run(); }) {}

AudioCaptureSession::~AudioCaptureSession() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void AudioCaptureSession::setRunning(bool running) { running_ = running; }

void AudioCaptureSession::finish() { finish_ = true; }

void AudioCaptureSession::run() {
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

void AudioCaptureSession::capture() {
    AudioRecordStream* pace = remote_ ? remote_.get() : local_.get();
    AudioRecordStream* side = remote_ ? local_.get() : nullptr;
    std::vector<std::int16_t> paced, joined, local, mixed, pending;
    while (!stop_ && !finish_) {
        paced.clear();
        // Reading never blocks downstream for long: the sound server buffers
        // what arrives meanwhile, so a slow encoder loses nothing.
        if (AudioStatus status = pace->read(paced, kReadWait); !status.ok()) {
            log_.append("\r\nAudio capture stopped: " + status.message);
            break;
        }
        if (side != nullptr) {
            joined.clear();
            if (AudioStatus status = side->read(joined, std::chrono::milliseconds(0)); !status.ok()) {
                // Losing the microphone must not end the recording of the call.
                log_.append("\r\nAudio capture goes on without the local side: " + status.message);
                side = nullptr;
                local_.reset();
                localBuffer_.clear();
            }
        }
        if (!running_) {
            localBuffer_.clear();
            continue;
        }
        if (side != nullptr) localBuffer_.push(joined);
        if (paced.empty()) continue;
        std::span<const std::int16_t> remoteSide, localSide;
        if (remote_) {
            remoteSide = paced;
            if (side != nullptr) {
                localBuffer_.take(paced.size(), local);
                localSide = local;
            }
        } else {
            localSide = paced;
        }
        mixer_.mix(remoteSide, localSide, mixed);
        if (!placed_ && clock_ != nullptr) {
            // The first sound of the run: the stream clock has run on while the
            // sound server filled its first buffer; what was not heard is silence.
            placed_ = true;
            const std::int64_t due =
                clock_->now_100ns() * kFormat.sampleRate / 10'000'000 - static_cast<std::int64_t>(mixed.size() / kChannels);
            if (due > deliveredFrames_)
                pending.insert(pending.end(), static_cast<std::size_t>(due - deliveredFrames_) * kChannels, 0);
        }
        pending.insert(pending.end(), mixed.begin(), mixed.end());
        deliver(pending, false);
    }
    deliver(pending, true);
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
