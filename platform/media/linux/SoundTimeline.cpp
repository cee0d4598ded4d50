#include "platform/media/linux/SoundTimeline.h"

#include <algorithm>

namespace platform {

SoundTimeline::Placement SoundTimeline::place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames) {
    if (!due) return {};
    const std::int64_t tolerance = placed_ ? resyncFrames_ : 0;
    placed_ = true;
    const std::int64_t shift = *due - end;
    if (shift > tolerance) return {shift, 0};
    if (shift < -tolerance) return {0, std::min(-shift, frames)};
    return {};
}

}  // namespace platform
