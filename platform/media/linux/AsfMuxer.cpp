#include "platform/media/linux/AsfMuxer.h"

#include <exception>

#include "platform/core/Format.h"
#include "platform/core/SystemError.h"

namespace platform {

namespace {

// What may wait for the muxer thread: a second of full-HD picture at 15 fps,
// and some seconds of sound, which must not starve behind the picture.
constexpr std::size_t kVideoBudgetBytes = 128u << 20;
constexpr std::size_t kAudioBudgetBytes = 2u << 20;

HRESULT hresultFromAverror(int error) {
    // AVERROR(e) wraps a system error; FFmpeg's own codes are large tags.
    return error < 0 && error > -4096 ? hresultFromErrno(-error) : E_FAIL;
}

}  // namespace

AsfMuxer::AsfMuxer(DiagnosticLog& log, const WmProfile& profile, const std::optional<VideoFormat>& video,
                   const std::optional<AudioFormat>& audio)
    : log_(log),
      audioFirst_(profile.audio && (!profile.video || profile.audio->streamNumber < profile.video->streamNumber)),
      queue_({kVideoBudgetBytes, kAudioBudgetBytes}) {
    if (profile.video && video) video_.emplace(*profile.video, *video);
    if (profile.audio && audio) audio_.emplace(*profile.audio, *audio);
}

AsfMuxer::~AsfMuxer() { finish(); }

HRESULT AsfMuxer::report(const char* what, int error) {
    log_.append(format("\r\nASF writer: %s (%s): %s", what, path_.c_str(), ffmpeg::errorText(error).c_str()));
    return hresultFromAverror(error);
}

HRESULT AsfMuxer::open(const std::string& path) {
    path_ = path;
    AVFormatContext* format = nullptr;
    if (int error = avformat_alloc_output_context2(&format, nullptr, "asf", path.c_str()); error < 0)
        return report("cannot set up the container", error);
    format_.reset(format);
    // Container streams in the profile's order of stream numbers.
    auto openVideo = [&] { return video_ ? video_->open(*format_) : 0; };
    auto openAudio = [&] { return audio_ ? audio_->open(*format_) : 0; };
    if (int error = audioFirst_ ? openAudio() : openVideo(); error < 0) return report("cannot open an encoder", error);
    if (int error = audioFirst_ ? openVideo() : openAudio(); error < 0) return report("cannot open an encoder", error);
    if (int error = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE); error < 0)
        return report("cannot create the file", error);
    if (int error = avformat_write_header(format_.get(), nullptr); error < 0)
        return report("cannot write the header", error);
    thread_ = std::thread(&AsfMuxer::run, this);
    return S_OK;
}

bool AsfMuxer::push(Stream stream, SamplePtr sample) { return queue_.push(stream, std::move(sample)); }

void AsfMuxer::finish() {
    queue_.close();
    if (thread_.joinable()) thread_.join();
}

void AsfMuxer::run() {
    // Every queued sample is taken, also after a failure, so that the queue
    // empties and finish() returns.
    while (const std::optional<SampleQueue::Item> item = queue_.pop()) {
        if (!failed_) encode(*item);
    }
    closeFile();
}

void AsfMuxer::encode(const SampleQueue::Item& item) {
    try {
        const int error = item.stream == kVideo ? (video_ ? video_->encode(*item.sample) : 0)
                                                : (audio_ ? audio_->encode(*item.sample) : 0);
        if (error < 0) {
            report("cannot encode", error);
            failed_ = true;
        }
    } catch (const std::exception& e) {
        log_.append(format("\r\nASF writer: cannot encode (%s): %s", path_.c_str(), e.what()));
        failed_ = true;
    }
}

void AsfMuxer::closeFile() {
    try {
        if (video_)
            if (int error = video_->flush(); error < 0) report("cannot drain the video encoder", error);
        if (audio_)
            if (int error = audio_->flush(); error < 0) report("cannot drain the audio encoder", error);
    } catch (const std::exception& e) {
        log_.append(format("\r\nASF writer: cannot drain the encoders (%s): %s", path_.c_str(), e.what()));
    }
    if (int error = av_write_trailer(format_.get()); error < 0) report("cannot write the trailer", error);
    if (int error = avio_closep(&format_->pb); error < 0) report("cannot close the file", error);

    const std::int64_t skipped = video_ ? video_->skippedFrames() : 0;
    const std::int64_t silence_ms = audio_ ? audio_->insertedSilence_100ns() / 10'000 : 0;
    if (queue_.dropped() > 0 || skipped > 0 || silence_ms > 0)
        log_.append(format("\r\nASF writer: %lld samples dropped, %lld frames skipped, %lld ms of silence added",
                           static_cast<long long>(queue_.dropped()), static_cast<long long>(skipped),
                           static_cast<long long>(silence_ms)));
}

}  // namespace platform
