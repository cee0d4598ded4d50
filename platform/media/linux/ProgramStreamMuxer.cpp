#include "platform/media/linux/ProgramStreamMuxer.h"

#include <cstring>

#include "platform/core/Format.h"
#include "platform/media/MediaErrors.h"

namespace platform {

namespace {

constexpr AVRational kStreamTimeBase{1, 10'000'000};
// Encoded packets are small; these only fill up when writing stalls.
constexpr std::size_t kVideoBudgetBytes = 64u << 20;
constexpr std::size_t kAudioBudgetBytes = 4u << 20;
// Bytes gathered before they are handed on: 16 packs of 2048 bytes.
constexpr int kIoBufferBytes = 32 * 1024;

}  // namespace

ProgramStreamMuxer::ProgramStreamMuxer(DiagnosticLog& log, bool mpeg2, const std::optional<MediaType>& video,
                                       const std::optional<MediaType>& audio, Write write)
    : log_(log),
      mpeg2_(mpeg2),
      video_(video),
      audio_(audio),
      write_(std::move(write)),
      worker_({kVideoBudgetBytes, kAudioBudgetBytes}) {}

ProgramStreamMuxer::~ProgramStreamMuxer() {
    finish();
    // The I/O context is ours, not the container's to close.
    if (format_) format_->pb = nullptr;
}

HRESULT ProgramStreamMuxer::report(const char* what, int error) {
    log_.append(format("\r\nMPEG multiplexer: %s: %s", what, ffmpeg::errorText(error).c_str()));
    return ffmpeg::toHresult(error);
}

int ProgramStreamMuxer::writeBytes(void* opaque, std::uint8_t* data, int size) {
    static_cast<ProgramStreamMuxer*>(opaque)->write_(data, size);
    return size;
}

int ProgramStreamMuxer::addStream(const MediaType& type) {
    AVStream* stream = avformat_new_stream(format_.get(), nullptr);
    if (stream == nullptr) return AVERROR(ENOMEM);
    AVCodecParameters& par = *stream->codecpar;
    par.bit_rate = type.encoded.bitRate;
    if (type.encoded.codec == Codec::Mpeg2Video) {
        par.codec_type = AVMEDIA_TYPE_VIDEO;
        par.codec_id = AV_CODEC_ID_MPEG2VIDEO;
        par.width = type.video.width;
        par.height = type.video.height;
        stream->avg_frame_rate = {type.video.framesPerSecond, 1};
        // The decoder buffer sizes the stream's buffer in the system header.
        std::size_t size = 0;
        AVCPBProperties* props = av_cpb_properties_alloc(&size);
        if (props == nullptr) return AVERROR(ENOMEM);
        props->max_bitrate = type.encoded.maxBitRate;
        props->avg_bitrate = type.encoded.bitRate;
        props->buffer_size = type.encoded.bufferBits;
        if (int error = av_stream_add_side_data(stream, AV_PKT_DATA_CPB_PROPERTIES, reinterpret_cast<std::uint8_t*>(props),
                                                size);
            error < 0) {
            av_free(props);
            return error;
        }
    } else {
        par.codec_type = AVMEDIA_TYPE_AUDIO;
        par.codec_id = AV_CODEC_ID_MP2;
        par.sample_rate = type.audio.sampleRate;
        av_channel_layout_default(&par.ch_layout, type.audio.channels);
    }
    return stream->index;
}

HRESULT ProgramStreamMuxer::open() {
    AVFormatContext* format = nullptr;
    if (int error = avformat_alloc_output_context2(&format, nullptr, mpeg2_ ? "vob" : "mpeg", nullptr); error < 0)
        return report("cannot set up the container", error);
    format_.reset(format);
    if (video_ && (streamIndex_[kVideo] = addStream(*video_)) < 0)
        return report("cannot add the video stream", streamIndex_[kVideo]);
    if (audio_ && (streamIndex_[kAudio] = addStream(*audio_)) < 0)
        return report("cannot add the audio stream", streamIndex_[kAudio]);

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) return report("cannot set up the output", AVERROR(ENOMEM));
    io_.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, &ProgramStreamMuxer::writeBytes, nullptr));
    if (!io_) {
        av_free(buffer);
        return report("cannot set up the output", AVERROR(ENOMEM));
    }
    format_->pb = io_.get();
    // Each pack goes on as it is made, so the file grows while recording.
    format_->flush_packets = 1;
    packet_.reset(av_packet_alloc());
    if (!packet_) return report("cannot set up the output", AVERROR(ENOMEM));
    if (int error = avformat_write_header(format_.get(), nullptr); error < 0)
        return report("cannot write the header", error);
    worker_.start([this](const SampleQueue::Item& item) { writePacket(item); }, [this] { closeStream(); },
                  "MPEG writer");
    return S_OK;
}

bool ProgramStreamMuxer::push(Stream stream, SamplePtr sample) {
    return streamIndex_[stream] >= 0 && worker_.push(stream, std::move(sample));
}

void ProgramStreamMuxer::finish() { worker_.stop(); }

void ProgramStreamMuxer::writePacket(const SampleQueue::Item& item) {
    if (failed_) return;
    const MediaSample& sample = *item.sample;
    AVStream* stream = format_->streams[streamIndex_[item.stream]];
    if (int error = av_new_packet(packet_.get(), static_cast<int>(sample.data.size())); error < 0) {
        report("cannot take a packet", error);
        failed_ = true;
        return;
    }
    std::memcpy(packet_->data, sample.data.data(), sample.data.size());
    packet_->pts = av_rescale_q(sample.pts_100ns, kStreamTimeBase, stream->time_base);
    packet_->dts = av_rescale_q(sample.dts_100ns, kStreamTimeBase, stream->time_base);
    packet_->duration = av_rescale_q(sample.duration_100ns, kStreamTimeBase, stream->time_base);
    if (sample.keyFrame) packet_->flags |= AV_PKT_FLAG_KEY;
    packet_->stream_index = stream->index;
    // Takes the packet's data, leaving it blank for the next one.
    if (int error = av_interleaved_write_frame(format_.get(), packet_.get()); error < 0) {
        report("cannot write a packet", error);
        av_packet_unref(packet_.get());
        failed_ = true;
    }
}

void ProgramStreamMuxer::closeStream() {
    // Also after a failure: the packs written so far end cleanly.
    if (int error = av_write_trailer(format_.get()); error < 0) report("cannot end the stream", error);
    avio_flush(format_->pb);
    if (worker_.dropped() > 0)
        log_.append(format("\r\nMPEG multiplexer: %lld packets dropped", static_cast<long long>(worker_.dropped())));
}

}  // namespace platform
