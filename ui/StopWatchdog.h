#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace talvora {

struct AppContext;

// Ends the process when a stop does not finish in time. Each stop gets its
// own watch with its own done flag, so a watch still counting down from an
// earlier stop never holds up a later one, and the UI thread never waits for
// a watch (it may be the UI thread that hangs). UI thread, except the watches.
class StopWatchdog {
public:
    explicit StopWatchdog(AppContext& ctx);
    // Ends every watch that still runs and joins it.
    ~StopWatchdog();
    StopWatchdog(const StopWatchdog&) = delete;
    StopWatchdog& operator=(const StopWatchdog&) = delete;

    // Starts the watch of one stop; call done() when that stop has finished.
    void begin();
    // The stop-done flag of the latest watch.
    void done();
    void setSeconds(int seconds) { seconds_ = seconds; }
    // Watches that have not ended yet.
    int running() const;

private:
    struct Watch {
        std::mutex mutex;
        std::condition_variable changed;
        bool stopDone = false;
        bool cancelled = false;
        std::atomic<bool> ended{false};
        std::thread thread;
    };
    void watch(Watch& w, int seconds);
    void expire();
    void joinEnded();

    AppContext& ctx_;
    int seconds_ = 10;
    std::vector<std::unique_ptr<Watch>> watches_;
};

}  // namespace talvora
