#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"
#include "platform/media/linux/VideoFrameEncoder.h"

namespace platform {

// Windows Media Video 7 from packed BGR or BGRX frames of any size, at the
// profile's frame size, rate and bit rate. Opened before the header is
// written, then muxer thread only.
class WmvVideoEncoder {
public:
    WmvVideoEncoder(const WmVideoStream& profile, const VideoFormat& input);

    // AVERROR code on failure.
    int open(AVFormatContext& format);
    int encode(const MediaSample& sample) { return frames_.encode(sample); }
    int flush() { return frames_.flush(); }

    int framesPerSecond() const { return framesPerSecond_; }
    std::int64_t skippedFrames() const { return frames_.skippedFrames(); }
    std::int64_t encodedFrames() const { return frames_.encodedFrames(); }

private:
    WmVideoStream profile_;
    int framesPerSecond_;
    VideoFrameEncoder frames_;
};

}  // namespace platform
