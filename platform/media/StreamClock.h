#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

namespace platform {

// The one reference clock of a graph: stream time in 100 ns that runs while
// the graph runs and stands still while it is paused, so a pause leaves
// neither a gap nor a frozen stretch in what is recorded. Any thread.
class StreamClock {
public:
    using Clock = std::chrono::steady_clock;

    void start();   // from stopped: stream time 0
    void pause();   // stream time stands still
    void resume();  // continues from where it stood
    void stop();

    std::int64_t now_100ns() const;
    bool running() const;

private:
    std::int64_t elapsedLocked(Clock::time_point at) const;

    mutable std::mutex mutex_;
    bool running_ = false;
    Clock::time_point runningSince_{};
    std::int64_t accumulated_100ns_ = 0;
};

}  // namespace platform
