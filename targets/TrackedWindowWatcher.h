#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/desktop/Windows.h"
#include "targets/TrackedWindow.h"

namespace talvora {

// A worker that forgets the tracked window as soon as it is hidden or
// minimised, between the tracker's one-second ticks. It polls every 100 ms
// until one of its two stop flags is set: the recording start sets the first,
// the motion search and the theme restore set both.
class TrackedWindowWatcher {
public:
    static constexpr int kPoll_ms = 100;

    // `recording` is the session's recording flag: nothing is forgotten while
    // a recording runs.
    TrackedWindowWatcher(platform::Windows& windows, TrackedWindow& tracked, const std::atomic<bool>& recording);
    ~TrackedWindowWatcher();
    TrackedWindowWatcher(const TrackedWindowWatcher&) = delete;
    TrackedWindowWatcher& operator=(const TrackedWindowWatcher&) = delete;

    // UI thread: ends a watcher that still runs, clears both stop flags and
    // starts a new one.
    void start();
    // Any thread: set the recording start's flag, or both flags.
    void stopForRecording();
    void stopAll();
    // UI thread: waits for the worker to end (after a stop).
    void join();

    bool stopRequested() const { return recordingStop_.load() || searchStop_.load(); }

    // One pass of the worker, public for tests: forgets the tracked window
    // when it is no longer visible or is minimised.
    void checkOnce();

private:
    void run();
    void wake();

    platform::Windows& windows_;
    TrackedWindow& tracked_;
    const std::atomic<bool>& recording_;

    std::atomic<bool> recordingStop_{true};
    std::atomic<bool> searchStop_{true};
    std::mutex wakeMutex_;
    std::condition_variable wakeUp_;
    std::thread thread_;
};

}  // namespace talvora
