#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"

namespace platform {

// An encoder fed with uncompressed samples, used by one thread.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    // AVERROR code on failure.
    virtual int encode(const MediaSample& sample) = 0;
    // Encodes what is held and drains the encoder.
    virtual int flush() = 0;
    // Frames given to the encoder so far.
    virtual std::int64_t encodedFrames() const = 0;
};

}  // namespace platform
