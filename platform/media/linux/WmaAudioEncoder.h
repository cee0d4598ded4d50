#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"
#include "platform/media/linux/AudioFrameEncoder.h"

namespace platform {

// Windows Media Audio 2 from interleaved 16-bit PCM, at the profile's rate,
// channels and bit rate. Opened before the header is written, then muxer
// thread only.
class WmaAudioEncoder {
public:
    WmaAudioEncoder(const WmAudioStream& profile, const AudioFormat& input) : profile_(profile), frames_(input) {}

    // AVERROR code on failure.
    int open(AVFormatContext& format);
    int encode(const MediaSample& sample) { return frames_.encode(sample); }
    int flush() { return frames_.flush(); }

    std::int64_t insertedSilence_100ns() const { return frames_.insertedSilence_100ns(); }

private:
    WmAudioStream profile_;
    AudioFrameEncoder frames_;
};

}  // namespace platform
