#include "platform/media/linux/WmaAudioEncoder.h"

namespace platform {

int WmaAudioEncoder::open(AVFormatContext& format) {
    ffmpeg::CodecContextPtr context;
    if (int error = StreamEncoder::allocateContext(AV_CODEC_ID_WMAV2, context); error < 0) return error;
    const AVCodec* codec = context->codec;
    context->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&context->ch_layout, profile_.channels);
    context->sample_rate = profile_.samplesPerSecond;
    context->bit_rate = profile_.bitrate;
    return frames_.open(std::move(context), &format);
}

}  // namespace platform
