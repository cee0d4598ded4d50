#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// Windows Media Video 7 from packed BGR or BGRX frames of any size: scaled
// to the profile's frame size and numbered on a 1/fps time base, one number
// per frame. Opened before the header is written, then muxer thread only.
class WmvVideoEncoder {
public:
    WmvVideoEncoder(const WmVideoStream& profile, const VideoFormat& input);

    // AVERROR code on failure.
    int open(AVFormatContext& format);
    // A frame whose number was taken already, or whose buffer is too short
    // for its format, is skipped and counted.
    int encode(const MediaSample& sample);
    int flush();

    int framesPerSecond() const { return framesPerSecond_; }
    std::int64_t skippedFrames() const { return skipped_; }

private:
    WmVideoStream profile_;
    VideoFormat input_;
    int framesPerSecond_;
    StreamEncoder stream_;
    ffmpeg::SwsContextPtr scaler_;
    ffmpeg::FramePtr frame_;
    std::int64_t lastPts_ = -1;
    std::int64_t skipped_ = 0;
};

}  // namespace platform
