#include "platform/media/linux/AsfMuxer.h"

#include <cerrno>
#include <exception>

#include "platform/core/Format.h"

namespace platform {

namespace {

// What may wait for the muxer thread: a second of full-HD picture at 15 fps,
// and some seconds of sound, which must not starve behind the picture.
constexpr std::size_t kVideoBudgetBytes = 128u << 20;
constexpr std::size_t kAudioBudgetBytes = 2u << 20;

}  // namespace

AsfMuxer::AsfMuxer(DiagnosticLog& log, const WmProfile& profile, const std::optional<VideoFormat>& video,
                   const std::optional<AudioFormat>& audio)
    : log_(log),
      audioFirst_(profile.audio && (!profile.video || profile.audio->streamNumber < profile.video->streamNumber)),
      worker_({kVideoBudgetBytes, kAudioBudgetBytes}) {
    if (profile.video && video) video_.emplace(*profile.video, *video);
    if (profile.audio && audio) audio_.emplace(*profile.audio, *audio);
}

AsfMuxer::~AsfMuxer() {
    finish();
    // The output is ours, not the container's to close.
    if (format_) format_->pb = nullptr;
}

HRESULT AsfMuxer::report(const char* what, int error) {
    log_.append(format("\r\nASF writer: %s (%s): %s", what, path_.c_str(), ffmpeg::errorText(error).c_str()));
    return ffmpeg::toHresult(error);
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
    if (int error = output_.open(path); error < 0) return report("cannot create the file", error);
    createdFile_ = true;
    format_->pb = output_.io();
    // Each packet goes to the file as it is written, so the recorder's size
    // watch sees the file grow from the first second.
    format_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    format_->flush_packets = 1;
    if (int error = avformat_write_header(format_.get(), nullptr); error < 0)
        return report("cannot write the header", error);
    avio_flush(format_->pb);
    worker_.start(
        [this](const SampleQueue::Item& item) {
            if (!failed_) encode(item);
        },
        [this] { closeFile(); }, "WMV writer");  // encodes both streams, then writes
    return S_OK;
}

bool AsfMuxer::push(Stream stream, SamplePtr sample) { return worker_.push(stream, std::move(sample)); }

void AsfMuxer::finish() { worker_.stop(); }

void AsfMuxer::encode(const SampleQueue::Item& item) {
    try {
        const int error = item.stream == kVideo ? (video_ ? video_->encode(*item.sample) : 0)
                                                : (audio_ ? audio_->encode(*item.sample) : 0);
        if (error < 0) {
            report("cannot encode", error);
            failed_ = true;
            // A full disk or a lost folder come back as system errors; the
            // encoders' own failures count as input/output errors.
            writeError_ = AVUNERROR(error) > 0 && AVUNERROR(error) < 4096 ? AVUNERROR(error) : EIO;
        }
    } catch (const std::exception& e) {
        log_.append(format("\r\nASF writer: cannot encode (%s): %s", path_.c_str(), e.what()));
        failed_ = true;
        writeError_ = EIO;
    }
    // The file stopped growing (a full disk): what is in it stays playable.
    if (!failed_ && output_.error() != 0) {
        report("cannot write", AVERROR(output_.error()));
        failed_ = true;
        writeError_ = output_.error();
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
    bool complete = !failed_;
    if (int error = av_write_trailer(format_.get()); error < 0) {
        report("cannot write the trailer", error);
        complete = false;
    }
    format_->pb = nullptr;
    if (int error = output_.close(); error < 0) {
        report("cannot close the file", error);
        complete = false;
    }
    if (output_.error() != 0) complete = false;
    complete_ = complete;

    const std::int64_t encoded = video_ ? video_->encodedFrames() : 0;
    const std::int64_t skipped = video_ ? video_->skippedFrames() : 0;
    const std::int64_t silence_ms = audio_ ? audio_->insertedSilence_100ns() / 10'000 : 0;
    log_.append(format("\r\nASF writer: %lld frames encoded, %lld samples dropped, %lld frames skipped, %lld ms of "
                       "silence added",
                       static_cast<long long>(encoded), static_cast<long long>(worker_.dropped()),
                       static_cast<long long>(skipped), static_cast<long long>(silence_ms)));
}

}  // namespace platform
