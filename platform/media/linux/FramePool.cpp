#include "platform/media/linux/FramePool.h"

namespace platform {

FramePool::FramePool(std::size_t frameBytes, std::size_t mostFrames)
    : frameBytes_(frameBytes), mostFrames_(mostFrames), shelf_(std::make_shared<Shelf>()) {}

std::shared_ptr<MediaSample> FramePool::take() {
    std::unique_ptr<MediaSample> sample;
    {
        std::lock_guard lock(shelf_->mutex);
        if (!shelf_->free.empty()) {
            // The buffer used last is still warm in the cache.
            sample = std::move(shelf_->free.back());
            shelf_->free.pop_back();
        } else if (shelf_->made < mostFrames_) {
            sample = std::make_unique<MediaSample>();
            sample->data.resize(frameBytes_);
            // Room on the shelf for every buffer made, so that handing one
            // back (in a deleter) never allocates.
            shelf_->free.reserve(shelf_->made + 1);
            ++shelf_->made;
        } else {
            return nullptr;
        }
    }
    // Only the bytes are used again, not what the last frame said of them.
    MediaSample fresh;
    fresh.data = std::move(sample->data);
    *sample = std::move(fresh);
    return {sample.release(), Recycler{shelf_}};
}

std::size_t FramePool::made() const {
    std::lock_guard lock(shelf_->mutex);
    return shelf_->made;
}

void FramePool::Recycler::operator()(MediaSample* sample) const {
    std::unique_ptr<MediaSample> owned(sample);
    if (auto s = shelf.lock()) {
        std::lock_guard lock(s->mutex);
        s->free.push_back(std::move(owned));
    }
}

}  // namespace platform
