#include "platform/media/linux/JitterBuffer.h"

#include <algorithm>

namespace platform {

void JitterBuffer::push(std::span<const std::int16_t> samples) {
    samples_.insert(samples_.end(), samples.begin(), samples.end());
    if (samples_.size() > limit_) {
        // Drop the oldest whole frames: a frame is never split across channels.
        std::size_t drop = samples_.size() - reserve_;
        drop -= drop % channels_;
        samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(drop));
    }
}

void JitterBuffer::take(std::size_t count, std::vector<std::int16_t>& out) {
    out.assign(count, 0);
    if (filling_ && samples_.size() < reserve_) return;
    filling_ = false;
    const std::size_t n = std::min(count, samples_.size());
    std::copy_n(samples_.begin(), n, out.begin());
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(n));
    if (n < count) filling_ = true;
}

void JitterBuffer::clear() {
    samples_.clear();
    filling_ = true;
}

}  // namespace platform
