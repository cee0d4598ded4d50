#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/FrameEncoder.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// Encodes packed BGR or BGRX frames of any size: each is scaled to the
// codec's size and pixel format and numbered on a 1/fps time base, one
// number per frame. Opened before a container's header is written, then
// used by one thread only.
class VideoFrameEncoder : public FrameEncoder {
public:
    VideoFrameEncoder(const VideoFormat& input, int framesPerSecond);

    // `codec` is configured but for its time base and frame rate, which are
    // set here. AVERROR code on failure.
    int open(ffmpeg::CodecContextPtr codec, const StreamEncoder::Target& target);
    // A frame whose number was taken already, or whose buffer is too short
    // for its format, is skipped and counted.
    int encode(const MediaSample& sample) override;
    int flush() override;

    std::int64_t skippedFrames() const { return skipped_; }

private:
    VideoFormat input_;
    int framesPerSecond_;
    StreamEncoder stream_;
    ffmpeg::SwsContextPtr scaler_;
    ffmpeg::FramePtr frame_;
    std::int64_t lastPts_ = -1;
    std::int64_t skipped_ = 0;
};

}  // namespace platform
