#include "platform/media/linux/SoundTimeline.h"

#include <algorithm>

namespace platform {

SoundTimeline::Placement SoundTimeline::place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames,
                                              bool estimated) {
    if (!due) return {};
    const std::int64_t tolerance = placed_ && (exact_ || estimated) ? resyncFrames_ : 0;
    const bool settling = tolerance > 0 && !estimated && settling_ > 0;
    if (settling) --settling_;
    if (tolerance == 0 && !estimated) {
        settling_ = kSettlingChunks;
        settled_ = 0;
    }
    placed_ = true;
    exact_ = exact_ || !estimated;
    const std::int64_t shift = *due - end;
    if (shift > tolerance || shift < -tolerance) {
        clearWindow();
        settled_ = 0;
        return move(shift, frames);
    }
    if (estimated) return {};
    if (settling) return settle(shift, frames);
    windowSum_ += shift;
    if (++windowCount_ < kWindowChunks) return {};
    const std::int64_t mean = windowSum_ / windowCount_;
    clearWindow();
    lastWindowMean_ = mean;
    if (mean > kDriftFrames || mean < -kDriftFrames) return move(std::clamp(mean, -kSlewFrames, kSlewFrames), frames);
    return {};
}

SoundTimeline::Placement SoundTimeline::settle(std::int64_t shift, std::int64_t frames) {
    settlingShifts_[static_cast<std::size_t>(settled_++)] = shift;
    if (settled_ < kMedianChunks) return {};
    std::array<std::int64_t, kSettlingChunks> sorted = settlingShifts_;
    const auto median = sorted.begin() + settled_ / 2;
    std::nth_element(sorted.begin(), median, sorted.begin() + settled_);
    if (*median <= kSettlingFrames && *median >= -kSettlingFrames) return {};
    settled_ = 0;
    return move(*median, frames);
}

SoundTimeline::Placement SoundTimeline::move(std::int64_t shift, std::int64_t frames) {
    if (shift > 0) return {shift, 0};
    if (shift < 0) return {0, std::min(-shift, frames)};
    return {};
}

}  // namespace platform
