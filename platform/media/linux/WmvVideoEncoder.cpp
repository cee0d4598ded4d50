#include "platform/media/linux/WmvVideoEncoder.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
// Key frames at least this often when the profile leaves it open.
constexpr std::int64_t kDefaultKeyFrameSpacing_100ns = 10 * kUnitsPerSecond;

// 4:2:0 wants even sides.
int evenSide(int side) { return std::max(2, side & ~1); }

// 666666 x 100 ns is 15 fps: round to whole frames per second.
int wholeFramesPerSecond(std::int64_t avgTimePerFrame_100ns) {
    return static_cast<int>(
        std::max<std::int64_t>(1, (kUnitsPerSecond + avgTimePerFrame_100ns / 2) / avgTimePerFrame_100ns));
}

}  // namespace

WmvVideoEncoder::WmvVideoEncoder(const WmVideoStream& profile, const VideoFormat& input)
    : profile_(profile),
      framesPerSecond_(wholeFramesPerSecond(profile.avgTimePerFrame_100ns)),
      frames_(input, {framesPerSecond_, 1}) {}

int WmvVideoEncoder::open(AVFormatContext& format) {
    ffmpeg::CodecContextPtr context;
    if (int error = StreamEncoder::allocateContext(AV_CODEC_ID_WMV1, context); error < 0) return error;
    const AVCodec* codec = context->codec;
    context->width = evenSide(profile_.width);
    context->height = evenSide(profile_.height);
    context->pix_fmt = codec->pix_fmts != nullptr ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    context->bit_rate = profile_.bitrate;
    const std::int64_t spacing =
        profile_.maxKeyFrameSpacing_100ns > 0 ? profile_.maxKeyFrameSpacing_100ns : kDefaultKeyFrameSpacing_100ns;
    context->gop_size = static_cast<int>(std::clamp<std::int64_t>(spacing * framesPerSecond_ / kUnitsPerSecond, 1, 100000));
    context->max_b_frames = 0;
    return frames_.open(std::move(context), &format);
}

}  // namespace platform
