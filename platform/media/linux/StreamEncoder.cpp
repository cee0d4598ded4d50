#include "platform/media/linux/StreamEncoder.h"

namespace platform {

int StreamEncoder::allocateContext(AVCodecID codecId, ffmpeg::CodecContextPtr& context) {
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (codec == nullptr) return AVERROR_ENCODER_NOT_FOUND;
    context.reset(avcodec_alloc_context3(codec));
    return context ? 0 : AVERROR(ENOMEM);
}

int StreamEncoder::open(ffmpeg::CodecContextPtr codec, const Target& target) {
    auto* const* format = std::get_if<AVFormatContext*>(&target);
    if (format != nullptr && ((*format)->oformat->flags & AVFMT_GLOBALHEADER))
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int error = avcodec_open2(codec.get(), codec->codec, nullptr); error < 0) return error;
    packet_.reset(av_packet_alloc());
    if (!packet_) return AVERROR(ENOMEM);
    codec_ = std::move(codec);
    if (format != nullptr) return addStream(**format);
    handler_ = std::get<PacketHandler>(target);
    return 0;
}

int StreamEncoder::addStream(AVFormatContext& format) {
    AVStream* stream = avformat_new_stream(&format, nullptr);
    if (stream == nullptr) return AVERROR(ENOMEM);
    // Extradata exists only once the codec is open.
    if (int error = avcodec_parameters_from_context(stream->codecpar, codec_.get()); error < 0) return error;
    stream->time_base = codec_->time_base;
    handler_ = [&format, stream](AVPacket& packet, AVRational timeBase) {
        // The header may have changed the stream's time base.
        av_packet_rescale_ts(&packet, timeBase, stream->time_base);
        packet.stream_index = stream->index;
        // Takes the packet's data, leaving it blank for the next one.
        return av_interleaved_write_frame(&format, &packet);
    };
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
        error = handler_(*packet_, codec_->time_base);
        av_packet_unref(packet_.get());
        if (error < 0) return error;
    }
}

}  // namespace platform
