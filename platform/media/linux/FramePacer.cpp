#include "platform/media/linux/FramePacer.h"

#include <algorithm>

namespace platform {

FramePacer::FramePacer(std::int64_t frameDuration_100ns) : frameDuration_100ns_(std::max<std::int64_t>(1, frameDuration_100ns)) {}

std::optional<std::int64_t> FramePacer::due(std::int64_t now_100ns) {
    if (now_100ns < timeOf_100ns(next_)) return std::nullopt;
    // The frame whose time slot holds `now`; the ones before it are too late.
    const std::int64_t frame = now_100ns / frameDuration_100ns_;
    dropped_ += frame - next_;
    next_ = frame + 1;
    return frame;
}

std::int64_t FramePacer::untilNext_100ns(std::int64_t now_100ns) const {
    return std::max<std::int64_t>(0, timeOf_100ns(next_) - now_100ns);
}

}  // namespace platform
