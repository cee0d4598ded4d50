#include "platform/media/linux/SampleQueue.h"

#include <utility>

namespace platform {

SampleQueue::SampleQueue(std::vector<std::size_t> byteBudgets)
    : budgets_(std::move(byteBudgets)), queuedBytes_(budgets_.size(), 0) {}

bool SampleQueue::push(std::size_t stream, SamplePtr sample) {
    if (!sample) return false;
    const std::size_t bytes = sample->data.size();
    {
        std::lock_guard lock(mutex_);
        const bool fits = stream < budgets_.size() &&
                          (queuedBytes_[stream] == 0 || queuedBytes_[stream] + bytes <= budgets_[stream]);
        if (closed_ || !fits) {
            ++dropped_;
            return false;
        }
        queuedBytes_[stream] += bytes;
        items_.push_back({stream, std::move(sample)});
    }
    ready_.notify_one();
    return true;
}

std::optional<SampleQueue::Item> SampleQueue::pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return closed_ || !items_.empty(); });
    if (items_.empty()) return std::nullopt;
    Item item = std::move(items_.front());
    items_.pop_front();
    queuedBytes_[item.stream] -= item.sample->data.size();
    return item;
}

void SampleQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    ready_.notify_all();
}

}  // namespace platform
