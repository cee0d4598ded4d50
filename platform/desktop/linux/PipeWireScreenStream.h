#pragma once

#include <pipewire/pipewire.h>
#include <spa/param/video/raw.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/desktop/linux/PixelCopy.h"

namespace platform {

// The pictures of one PipeWire video node, as a screen-cast portal shares
// it: shared-memory buffers in BGRx, BGRA, RGBx or RGBA, kept as the newest
// frame in BGRx (cropped where the buffer's crop metadata says so, at
// whatever size the stream has now). PipeWire runs on a thread loop of its
// own; any thread may read the newest frame. The desktop may end the stream
// at any time (the user stops sharing): state() becomes Ended. A connection
// that ends before PipeWire has answered makes it Unreachable: no PipeWire
// server behind the remote. Knows nothing of D-Bus.
class PipeWireScreenStream {
public:
    enum class State { Connecting, Streaming, Ended, Failed, Unreachable };
    struct Size {
        int width = 0;
        int height = 0;
    };

    // Connects to `nodeId` through `remoteFd`, a PipeWire connection (the
    // portal's OpenPipeWireRemote); the fd is duplicated, the caller keeps it.
    PipeWireScreenStream(int remoteFd, std::uint32_t nodeId);
    ~PipeWireScreenStream();
    PipeWireScreenStream(const PipeWireScreenStream&) = delete;
    PipeWireScreenStream& operator=(const PipeWireScreenStream&) = delete;

    State state() const { return state_; }
    // Why the stream failed or ended; empty otherwise.
    std::string error() const;
    // The newest frame's size; 0 x 0 before the first frame.
    Size frameSize() const;
    // Counts the frames received; 0 before the first.
    std::uint64_t frameNumber() const;
    // Waits until a frame after number `after` has arrived (true), or the
    // stream has ended or failed, or the time is up (false).
    bool waitForFrame(std::uint64_t after, std::chrono::milliseconds timeout) const;
    // Copies `area` of the newest frame (stream coordinates) into `dst`
    // (area's size, 4 or 3 bytes a pixel); what lies outside the frame
    // becomes black. The copied frame's number; 0, with `dst` untouched,
    // before the first frame.
    std::uint64_t copy(const Rect& area, ImageView dst) const;
    // As copy(), with `area` in coordinates in which the whole frame
    // measures `whole` (a scaled monitor's size in the X root): the part of
    // the frame it covers is scaled to the area's size. As copy() where
    // `whole` is the frame's own size.
    std::uint64_t copyScaled(const Rect& area, Size whole, ImageView dst, std::vector<std::uint8_t>& scratch) const;
    // Scales the newest frame into `dst` whole (see fitBgrx), whatever size
    // the stream has now; numbered and untouched before the first as copy().
    std::uint64_t copyFitted(ImageView dst, std::vector<std::uint8_t>& scratch) const;

private:
    struct LoopDeleter {
        void operator()(pw_thread_loop* loop) const noexcept { pw_thread_loop_destroy(loop); }
    };
    struct ContextDeleter {
        void operator()(pw_context* context) const noexcept { pw_context_destroy(context); }
    };
    struct CoreDeleter {
        void operator()(pw_core* core) const noexcept { pw_core_disconnect(core); }
    };
    struct RegistryDeleter {
        void operator()(pw_registry* registry) const noexcept {
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
        }
    };
    struct StreamDeleter {
        void operator()(pw_stream* stream) const noexcept { pw_stream_destroy(stream); }
    };

    bool connect(int remoteFd);
    void fail(State state, std::string why);
    // A failure of the connection or the stream, seen on PipeWire's thread.
    void failRemote(State state, std::string why);
    // PipeWire's callbacks, on its thread.
    static void onStateChanged(void* self, pw_stream_state old, pw_stream_state state, const char* error);
    static void onParamChanged(void* self, std::uint32_t id, const spa_pod* param);
    static void onProcess(void* self);
    static void onCoreInfo(void* self, const pw_core_info* info);
    static void onCoreError(void* self, std::uint32_t id, int seq, int res, const char* message);
    static void onGlobalRemoved(void* self, std::uint32_t id);
    void takeFrame(const spa_buffer& buffer);
    void copyLocked(const Rect& area, ImageView dst) const;

    const std::uint32_t nodeId_;
    // Destroyed in reverse order, after the destructor has stopped the loop.
    std::unique_ptr<pw_thread_loop, LoopDeleter> loop_;
    std::unique_ptr<pw_context, ContextDeleter> context_;
    std::unique_ptr<pw_core, CoreDeleter> core_;
    std::unique_ptr<pw_registry, RegistryDeleter> registry_;
    std::unique_ptr<pw_stream, StreamDeleter> stream_;
    spa_hook coreListener_{};
    spa_hook registryListener_{};
    spa_hook streamListener_{};

    std::atomic<State> state_{State::Connecting};
    std::atomic<bool> connected_{false};  // the remote taken; answered_ once PipeWire spoke through it
    std::atomic<bool> answered_{false};
    spa_video_info_raw format_{};  // PipeWire's thread only
    std::vector<std::uint8_t> spare_;  // the next frame, filled on PipeWire's thread

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::uint8_t> frame_;  // BGRx, rows of width * 4 bytes
    int width_ = 0;
    int height_ = 0;
    std::uint64_t number_ = 0;
    std::string error_;
};

}  // namespace platform
