#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/MediaType.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/FrameEncoder.h"
#include "platform/media/linux/PictureConverter.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// Encodes packed BGR or BGRX frames of any size: each is scaled to the
// codec's size and pixel format and numbered on the time base of the frame
// rate, at the number nearest its capture time. A rate above the capture's
// leaves some numbers out; with `constantRate` (a codec that knows only
// constant rates) the frame before is shown again in their place. Opened
// before a container's header is written, then used by one thread only.
class VideoFrameEncoder : public FrameEncoder {
public:
    VideoFrameEncoder(const VideoFormat& input, AVRational frameRate, bool constantRate = false);

    // `codec` is configured but for its time base and frame rate, which are
    // set here. AVERROR code on failure.
    int open(ffmpeg::CodecContextPtr codec, const StreamEncoder::Target& target);
    // A frame whose number was taken already, or whose buffer is too short
    // for its format, is skipped and counted.
    int encode(const MediaSample& sample) override;
    int flush() override;

    std::int64_t skippedFrames() const { return skipped_; }
    std::int64_t encodedFrames() const override { return encoded_; }

private:
    VideoFormat input_;
    AVRational frameRate_;
    bool constantRate_;
    StreamEncoder stream_;
    // A frame no one else holds, from the pool; null when none can be made.
    AVFrame* writableFrame();

    PictureConverter converter_;
    AVPixelFormat pixelFormat_ = AV_PIX_FMT_NONE;
    int width_ = 0;
    int height_ = 0;
    // The encoder keeps references to the frames it was sent: a frame it
    // still holds is not written over, and none is copied or allocated anew.
    std::vector<ffmpeg::FramePtr> frames_;
    std::int64_t lastPts_ = -1;
    ffmpeg::FramePtr last_;  // the frame last encoded, for constant rates
    std::int64_t skipped_ = 0;
    std::int64_t encoded_ = 0;
};

}  // namespace platform
