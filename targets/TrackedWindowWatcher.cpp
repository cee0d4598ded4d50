#include "targets/TrackedWindowWatcher.h"

#include <chrono>

namespace talvora {

namespace {

// The pass looks at the desktop only when it holds a real top-level window:
// one of at least 10 x 10 pixels placed within +-10000 pixels.
bool isRealWindow(const platform::Rect& r) {
    constexpr int kMinSize = 10;
    constexpr int kMaxOffset = 10000;
    return r.width() >= kMinSize && r.height() >= kMinSize && r.left >= -kMaxOffset && r.left <= kMaxOffset &&
           r.top >= -kMaxOffset && r.top <= kMaxOffset;
}

}  // namespace

TrackedWindowWatcher::TrackedWindowWatcher(platform::Windows& windows, TrackedWindow& tracked,
                                           const std::atomic<bool>& recording)
    : windows_(windows), tracked_(tracked), recording_(recording) {}

TrackedWindowWatcher::~TrackedWindowWatcher() {
    stopAll();
    join();
}

void TrackedWindowWatcher::start() {
    // Only one worker at a time: clearing the flags under a running one would
    // leave two polling the desktop.
    stopAll();
    join();
    recordingStop_ = false;
    searchStop_ = false;
    thread_ = std::thread([this] { run(); });
}

void TrackedWindowWatcher::stopForRecording() {
    recordingStop_ = true;
    wake();
}

void TrackedWindowWatcher::stopAll() {
    recordingStop_ = true;
    searchStop_ = true;
    wake();
}

void TrackedWindowWatcher::join() {
    if (thread_.joinable()) thread_.join();
}

void TrackedWindowWatcher::wake() {
    // Taking the lock orders the flag store before the worker's wait.
    { std::lock_guard lock(wakeMutex_); }
    wakeUp_.notify_all();
}

void TrackedWindowWatcher::checkOnce() {
    const platform::WindowId window = tracked_.handle();
    if (window == 0 || recording_.load()) return;
    for (platform::WindowId candidate : windows_.topLevel()) {
        if (!isRealWindow(windows_.rect(candidate))) continue;
        if (!windows_.isVisible(window) || windows_.isMinimized(window)) tracked_.clearIf(window);
        return;
    }
}

void TrackedWindowWatcher::run() {
    try {
        while (!stopRequested()) {
            checkOnce();
            std::unique_lock lock(wakeMutex_);
            wakeUp_.wait_for(lock, std::chrono::milliseconds(kPoll_ms), [this] { return stopRequested(); });
        }
    } catch (...) {
        // A lost display connection ends the watching; the tick searches anew.
    }
    // Ended: both flags stay set until the next start clears them.
    recordingStop_ = true;
    searchStop_ = true;
}

}  // namespace talvora
