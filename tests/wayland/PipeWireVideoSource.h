#pragma once

#include <pipewire/pipewire.h>
#include <spa/param/video/raw.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace talvora::test {

// A video node of the test's own on the session's PipeWire, as a desktop
// shares a window: BGRx frames of one colour, 30 a second, at a size the test
// changes while it runs (the node offers the new size and the link is
// negotiated again, as when the window is resized).
class PipeWireVideoSource {
public:
    // `bgrx`: the colour as the pixel's bytes B, G, R, X read as a
    // little-endian word (0x00RRGGBB).
    PipeWireVideoSource(int width, int height, std::uint32_t bgrx);
    ~PipeWireVideoSource();
    PipeWireVideoSource(const PipeWireVideoSource&) = delete;
    PipeWireVideoSource& operator=(const PipeWireVideoSource&) = delete;

    // The node's id once PipeWire has made it; 0 when it was not made in
    // `timeout`.
    std::uint32_t waitForNode(std::chrono::milliseconds timeout) const;
    // Offers only this size from now on.
    void resize(int width, int height);
    // Frames sent at the size last asked for (0 until a consumer has taken
    // that size).
    int framesAtAskedSize() const { return framesAtAskedSize_; }

private:
    struct LoopDeleter {
        void operator()(pw_thread_loop* loop) const noexcept { pw_thread_loop_destroy(loop); }
    };
    struct StreamDeleter {
        void operator()(pw_stream* stream) const noexcept { pw_stream_destroy(stream); }
    };

    // PipeWire's callbacks, on its thread.
    static void onStateChanged(void* self, pw_stream_state old, pw_stream_state state, const char* error);
    static void onParamChanged(void* self, std::uint32_t id, const spa_pod* param);
    static void onProcess(void* self);
    static void onTimer(void* self, std::uint64_t expirations);

    const std::uint32_t colour_;
    // Destroyed in reverse order, after the destructor has stopped the loop.
    std::unique_ptr<pw_thread_loop, LoopDeleter> loop_;
    std::unique_ptr<pw_stream, StreamDeleter> stream_;
    spa_source* timer_ = nullptr;
    spa_video_info_raw format_{};  // PipeWire's thread
    int askedWidth_ = 0;           // under the loop's lock
    int askedHeight_ = 0;
    std::atomic<std::uint32_t> node_{0};
    std::atomic<int> framesAtAskedSize_{0};
};

}  // namespace talvora::test
