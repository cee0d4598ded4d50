#include "platform/media/linux/SoundTimeline.h"

#include <algorithm>

namespace platform {

SoundTimeline::Placement SoundTimeline::place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames,
                                              bool estimated) {
    if (!due) return {};
    std::int64_t tolerance = placed_ && (exact_ || estimated) ? resyncFrames_ : 0;
    const bool settling = tolerance > 0 && !estimated && settling_ > 0;
    if (settling) {
        --settling_;
        tolerance = std::min(tolerance, kSettlingFrames);
    }
    if (tolerance == 0 && !estimated) {
        settling_ = kSettlingChunks;
        young_ = kWindowChunks;
    }
    placed_ = true;
    exact_ = exact_ || !estimated;
    const std::int64_t shift = *due - end;
    if (shift > tolerance || shift < -tolerance) {
        clearWindow();
        owed_ = 0;
    }
    if (shift > tolerance) return {shift, 0};
    if (shift < -tolerance) return {0, std::min(-shift, frames)};
    // An exact placement and the settling after it are not averaged, nor
    // what comes while an owed drop is paid.
    if (estimated || tolerance == 0 || settling) return {};
    if (owed_ > 0) return {0, payOwed(frames)};
    windowSum_ += shift;
    const int window = young_ > 0 ? kFirstWindowChunks : kWindowChunks;
    if (young_ > 0) --young_;
    if (++windowCount_ < window) return {};
    const std::int64_t mean = windowSum_ / windowCount_;
    clearWindow();
    lastWindowMean_ = mean;
    if (mean > kDriftFrames) return {mean, 0};
    if (mean < -kDriftFrames) {
        // More than one chunk may be due: the next chunks give the rest.
        owed_ = -mean;
        return {0, payOwed(frames)};
    }
    return {};
}

std::int64_t SoundTimeline::payOwed(std::int64_t frames) {
    const std::int64_t drop = std::min(owed_, frames);
    owed_ -= drop;
    return drop;
}

}  // namespace platform
