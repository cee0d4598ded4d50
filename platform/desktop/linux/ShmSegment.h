#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Detaches a segment from the server, then from this process.
struct ShmRelease {
    xcb_connection_t* connection = nullptr;
    xcb_shm_seg_t segment = 0;
    void operator()(std::uint8_t* memory) const noexcept;
};

// A System V shared-memory segment attached both here and in the X server,
// into which xcb_shm_get_image writes. The kernel frees it once both sides
// have detached, so a crash leaves nothing behind.
class ShmSegment {
public:
    // ok() is false when the segment could not be made or the server could
    // not attach it (a remote display); error() says why.
    ShmSegment(xcb_connection_t* connection, std::size_t bytes);

    bool ok() const { return memory_ != nullptr; }
    const std::string& error() const { return error_; }
    std::uint8_t* data() const { return memory_.get(); }
    std::size_t size() const { return size_; }
    xcb_shm_seg_t id() const { return memory_.get_deleter().segment; }

private:
    std::unique_ptr<std::uint8_t, ShmRelease> memory_;
    std::size_t size_ = 0;
    std::string error_;
};

}  // namespace platform
