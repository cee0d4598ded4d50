#include "platform/desktop/linux/ShmSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>
#include <cstring>

#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

namespace {
struct Detach {
    void operator()(void* memory) const noexcept { shmdt(memory); }
};
}  // namespace

void ShmRelease::operator()(std::uint8_t* memory) const noexcept {
    XcbReply<xcb_generic_error_t> ignored(xcb_request_check(connection, xcb_shm_detach_checked(connection, segment)));
    shmdt(memory);
}

ShmSegment::ShmSegment(xcb_connection_t* connection, std::size_t bytes) {
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        error_ = std::string("shmget: ") + std::strerror(errno);
        return;
    }
    std::unique_ptr<void, Detach> attached(shmat(id, nullptr, 0));
    if (attached.get() == reinterpret_cast<void*>(-1)) {
        attached.release();
        error_ = std::string("shmat: ") + std::strerror(errno);
        shmctl(id, IPC_RMID, nullptr);
        return;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(connection);
    XcbReply<xcb_generic_error_t> failure(
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, static_cast<std::uint32_t>(id), 0)));
    // Marked for removal now that both sides hold it: it goes when they detach.
    shmctl(id, IPC_RMID, nullptr);
    if (failure) {
        error_ = "X server cannot attach shared memory (X error " + std::to_string(failure->error_code) + ")";
        return;
    }
    memory_ = std::unique_ptr<std::uint8_t, ShmRelease>(static_cast<std::uint8_t*>(attached.release()),
                                                     ShmRelease{connection, segment});
    size_ = bytes;
}

}  // namespace platform
