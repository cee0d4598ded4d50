#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/desktop/Windows.h"

namespace talvora {

// The meeting window being followed and its title. Set by the tracker on the
// UI thread, cleared by the watcher thread when the window is hidden; the
// recording start reads it. Every member is safe to call from any thread.
class TrackedWindow {
public:
    // Titles keep at most this many characters, terminator included.
    static constexpr std::size_t kTitleCapacity = 2048;

    void set(platform::WindowId window, const std::string& title);
    // Forgets the handle; the title stays for the status line.
    void forgetHandle();
    // Clears handle and title, but only while the handle is still `window`,
    // so that a window taken meanwhile by the tracker is not lost.
    void clearIf(platform::WindowId window);

    platform::WindowId handle() const { return handle_.load(); }
    std::string title() const;

private:
    std::atomic<platform::WindowId> handle_{0};
    mutable std::mutex titleMutex_;
    std::string title_;
};

}  // namespace talvora
