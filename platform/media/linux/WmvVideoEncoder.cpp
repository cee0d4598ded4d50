#include "platform/media/linux/WmvVideoEncoder.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
// Key frames at least this often when the profile leaves it open.
constexpr std::int64_t kDefaultKeyFrameSpacing_100ns = 10 * kUnitsPerSecond;

// 4:2:0 wants even sides.
int evenSide(int side) { return std::max(2, side & ~1); }

}  // namespace

WmvVideoEncoder::WmvVideoEncoder(const WmVideoStream& profile, const VideoFormat& input)
    : profile_(profile),
      input_(input),
      // 666666 x 100 ns is 15 fps: round to whole frames per second.
      framesPerSecond_(static_cast<int>(
          std::max<std::int64_t>(1, (kUnitsPerSecond + profile.avgTimePerFrame_100ns / 2) / profile.avgTimePerFrame_100ns))) {
}

int WmvVideoEncoder::open(AVFormatContext& format) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMV1);
    if (codec == nullptr) return AVERROR_ENCODER_NOT_FOUND;
    ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return AVERROR(ENOMEM);
    context->width = evenSide(profile_.width);
    context->height = evenSide(profile_.height);
    context->pix_fmt = codec->pix_fmts != nullptr ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    context->time_base = {1, framesPerSecond_};
    context->framerate = {framesPerSecond_, 1};
    context->bit_rate = profile_.bitrate;
    const std::int64_t spacing =
        profile_.maxKeyFrameSpacing_100ns > 0 ? profile_.maxKeyFrameSpacing_100ns : kDefaultKeyFrameSpacing_100ns;
    context->gop_size = static_cast<int>(std::clamp<std::int64_t>(spacing * framesPerSecond_ / kUnitsPerSecond, 1, 100000));
    context->max_b_frames = 0;

    frame_.reset(av_frame_alloc());
    if (!frame_) return AVERROR(ENOMEM);
    frame_->format = context->pix_fmt;
    frame_->width = context->width;
    frame_->height = context->height;
    if (int error = av_frame_get_buffer(frame_.get(), 0); error < 0) return error;

    const AVPixelFormat source = input_.bitsPerPixel == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0;
    scaler_.reset(sws_getContext(input_.width, input_.height, source, context->width, context->height,
                                 context->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_) return AVERROR(EINVAL);
    return stream_.open(format, std::move(context));
}

int WmvVideoEncoder::encode(const MediaSample& sample) {
    const int rowBytes = input_.width * input_.bitsPerPixel / 8;
    const int stride = sample.stride > 0 ? sample.stride : rowBytes;
    const std::size_t needed = static_cast<std::size_t>(stride) * (input_.height - 1) + rowBytes;
    // Frame n covers [n, n+1) frame durations: the nearest number wins, and a
    // number is never used twice (the encoder needs rising timestamps).
    const std::int64_t pts =
        av_rescale_rnd(sample.pts_100ns, framesPerSecond_, kUnitsPerSecond, AV_ROUND_NEAR_INF);
    if (stride < rowBytes || sample.data.size() < needed || pts <= lastPts_) {
        ++skipped_;
        return 0;
    }
    if (int error = av_frame_make_writable(frame_.get()); error < 0) return error;
    const std::uint8_t* planes[4] = {sample.data.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(scaler_.get(), planes, strides, 0, input_.height, frame_->data, frame_->linesize);
    frame_->pts = pts;
    lastPts_ = pts;
    return stream_.encode(frame_.get());
}

int WmvVideoEncoder::flush() { return stream_.isOpen() ? stream_.encode(nullptr) : 0; }

}  // namespace platform
