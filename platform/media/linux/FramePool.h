#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/MediaType.h"

namespace platform {

// Frame buffers of one size for a capture thread, used again once every
// holder downstream (queues, encoders, the preview) has let go of them: no
// allocation and no page faults per frame, and at most `mostFrames` buffers
// exist at once, so memory stays flat. A sample's last owner hands it back,
// on whatever thread that is; samples may outlive the pool.
class FramePool {
public:
    FramePool(std::size_t frameBytes, std::size_t mostFrames);
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A sample whose data holds `frameBytes` bytes (contents undefined) that
    // no one else holds; null while all `mostFrames` are in use. Any thread.
    std::shared_ptr<MediaSample> take();

    // Buffers made so far (in use or free).
    std::size_t made() const;

private:
    struct Shelf {
        std::mutex mutex;
        std::vector<std::unique_ptr<MediaSample>> free;  // guarded by mutex
        std::size_t made = 0;                            // guarded by mutex
    };
    // The last owner of a sample puts it back on the shelf, or frees it
    // when the pool is gone.
    struct Recycler {
        std::weak_ptr<Shelf> shelf;
        void operator()(MediaSample* sample) const;
    };

    const std::size_t frameBytes_;
    const std::size_t mostFrames_;
    std::shared_ptr<Shelf> shelf_;
};

}  // namespace platform
