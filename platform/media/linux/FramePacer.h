#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The frame timing of a live source: frame n is stamped n x frame duration
// on the stream clock and is sent once the clock has reached that time. A
// source that falls behind skips the frames whose time has passed (counted as
// dropped) instead of sending them in a bunch. Used by one thread.
class FramePacer {
public:
    explicit FramePacer(std::int64_t frameDuration_100ns);

    // At stream time `now_100ns`: the number of the frame to capture now, or
    // nothing when the next frame is not due yet (see untilNext_100ns()).
    std::optional<std::int64_t> due(std::int64_t now_100ns);
    // Stream time left until the next frame is due; 0 when it is due.
    std::int64_t untilNext_100ns(std::int64_t now_100ns) const;

    std::int64_t frameDuration_100ns() const { return frameDuration_100ns_; }
    std::int64_t timeOf_100ns(std::int64_t frame) const { return frame * frameDuration_100ns_; }
    std::int64_t dropped() const { return dropped_; }

private:
    std::int64_t frameDuration_100ns_;
    std::int64_t next_ = 0;
    std::int64_t dropped_ = 0;
};

}  // namespace platform
