#include "platform/media/linux/VideoFrameEncoder.h"

namespace platform {

namespace {
constexpr AVRational kStreamTimeBase{1, 10'000'000};
}  // namespace

VideoFrameEncoder::VideoFrameEncoder(const VideoFormat& input, AVRational frameRate, bool constantRate)
    : input_(input), frameRate_(frameRate), constantRate_(constantRate) {}

int VideoFrameEncoder::open(ffmpeg::CodecContextPtr codec, const StreamEncoder::Target& target) {
    codec->time_base = av_inv_q(frameRate_);
    codec->framerate = frameRate_;

    pixelFormat_ = codec->pix_fmt;
    width_ = codec->width;
    height_ = codec->height;
    if (writableFrame() == nullptr) return AVERROR(ENOMEM);

    if (int error = converter_.open(input_.width, input_.height, input_.bitsPerPixel, width_, height_, pixelFormat_);
        error < 0)
        return error;
    return stream_.open(std::move(codec), target);
}

int VideoFrameEncoder::encode(const MediaSample& sample) {
    const int rowBytes = input_.width * input_.bitsPerPixel / 8;
    const int stride = sample.stride > 0 ? sample.stride : rowBytes;
    const std::size_t needed = static_cast<std::size_t>(stride) * (input_.height - 1) + rowBytes;
    // Frame n covers [n, n+1) frame durations: the nearest number wins, and a
    // number is never used twice (the encoder needs rising timestamps).
    const std::int64_t pts = av_rescale_q_rnd(sample.pts_100ns, kStreamTimeBase, av_inv_q(frameRate_),
                                              static_cast<AVRounding>(AV_ROUND_NEAR_INF));
    if (stride < rowBytes || sample.data.size() < needed || pts <= lastPts_) {
        ++skipped_;
        return 0;
    }
    // The numbers left out show the frame before again (a new reference to
    // its pixels, so nothing is copied).
    for (std::int64_t repeat = lastPts_ + 1; constantRate_ && last_ && repeat < pts; ++repeat) {
        ffmpeg::FramePtr again(av_frame_clone(last_.get()));
        if (!again) return AVERROR(ENOMEM);
        again->pts = repeat;
        if (int error = stream_.encode(again.get()); error < 0) return error;
    }
    AVFrame* frame = writableFrame();
    if (frame == nullptr) return AVERROR(ENOMEM);
    converter_.convert(sample.data.data(), stride, *frame);
    frame->pts = pts;
    lastPts_ = pts;
    ++encoded_;
    if (constantRate_) {
        last_.reset(av_frame_clone(frame));
        if (!last_) return AVERROR(ENOMEM);
    }
    return stream_.encode(frame);
}

AVFrame* VideoFrameEncoder::writableFrame() {
    constexpr std::size_t kMostFrames = 8;  // an encoder holding more gets its frame copied
    for (const ffmpeg::FramePtr& frame : frames_)
        if (av_frame_is_writable(frame.get())) return frame.get();
    if (frames_.size() >= kMostFrames)
        return av_frame_make_writable(frames_.front().get()) < 0 ? nullptr : frames_.front().get();
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = pixelFormat_;
    frame->width = width_;
    frame->height = height_;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    frames_.push_back(std::move(frame));
    return frames_.back().get();
}

int VideoFrameEncoder::flush() { return stream_.isOpen() ? stream_.encode(nullptr) : 0; }

}  // namespace platform
