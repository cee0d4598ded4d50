#include "platform/media/linux/LatestFrame.h"

#include <utility>

namespace platform {

bool LatestFrame::put(SamplePtr sample) {
    std::lock_guard lock(mutex_);
    const bool wasEmpty = waiting_ == nullptr;
    if (!wasEmpty) ++replaced_;
    waiting_ = std::move(sample);
    return wasEmpty;
}

SamplePtr LatestFrame::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(waiting_, nullptr);
}

std::int64_t LatestFrame::replaced() const {
    std::lock_guard lock(mutex_);
    return replaced_;
}

}  // namespace platform
