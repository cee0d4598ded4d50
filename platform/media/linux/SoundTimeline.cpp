#include "platform/media/linux/SoundTimeline.h"

#include <algorithm>

namespace platform {

SoundTimeline::Placement SoundTimeline::place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames,
                                              bool estimated) {
    if (!due) return {};
    std::int64_t tolerance = placed_ && (exact_ || estimated) ? resyncFrames_ : 0;
    if (tolerance > 0 && !estimated && settling_ > 0) {
        --settling_;
        tolerance = std::min(tolerance, kSettlingFrames);
    }
    if (tolerance == 0 && !estimated) settling_ = kSettlingChunks;
    placed_ = true;
    exact_ = exact_ || !estimated;
    const std::int64_t shift = *due - end;
    if (shift > tolerance || shift < -tolerance) clearWindow();
    if (shift > tolerance) return {shift, 0};
    if (shift < -tolerance) return {0, std::min(-shift, frames)};
    if (estimated) return {};
    windowSum_ += shift;
    if (++windowCount_ < kWindowChunks) return {};
    const std::int64_t mean = windowSum_ / windowCount_;
    clearWindow();
    lastWindowMean_ = mean;
    if (mean > kDriftFrames) return {mean, 0};
    if (mean < -kDriftFrames) return {0, std::min(-mean, frames)};
    return {};
}

}  // namespace platform
