#include "platform/media/linux/StreamEncoder.h"

namespace platform {

int StreamEncoder::open(AVFormatContext& format, ffmpeg::CodecContextPtr codec) {
    if (format.oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int error = avcodec_open2(codec.get(), codec->codec, nullptr); error < 0) return error;
    packet_.reset(av_packet_alloc());
    AVStream* stream = avformat_new_stream(&format, nullptr);
    if (!packet_ || stream == nullptr) return AVERROR(ENOMEM);
    // Extradata exists only once the codec is open.
    if (int error = avcodec_parameters_from_context(stream->codecpar, codec.get()); error < 0) return error;
    stream->time_base = codec->time_base;
    format_ = &format;
    stream_ = stream;
    codec_ = std::move(codec);
    return 0;
}

int StreamEncoder::encode(const AVFrame* frame) {
    if (drained_) return 0;
    if (frame == nullptr) drained_ = true;
    if (int error = avcodec_send_frame(codec_.get(), frame); error < 0) return error;
    for (;;) {
        int error = avcodec_receive_packet(codec_.get(), packet_.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return 0;
        if (error < 0) return error;
        // The header may have changed the stream's time base.
        av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        // Takes the packet's data, leaving it blank for the next one.
        if (error = av_interleaved_write_frame(format_, packet_.get()); error < 0) return error;
    }
}

}  // namespace platform
