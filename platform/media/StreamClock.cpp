#include "platform/media/StreamClock.h"

namespace platform {

std::int64_t StreamClock::elapsedLocked(Clock::time_point at) const {
    if (!running_) return accumulated_100ns_;
    return accumulated_100ns_ +
           std::chrono::duration_cast<std::chrono::nanoseconds>(at - runningSince_).count() / 100;
}

void StreamClock::start() {
    std::lock_guard lock(mutex_);
    accumulated_100ns_ = 0;
    running_ = true;
    runningSince_ = Clock::now();
}

void StreamClock::pause() {
    std::lock_guard lock(mutex_);
    accumulated_100ns_ = elapsedLocked(Clock::now());
    running_ = false;
}

void StreamClock::resume() {
    std::lock_guard lock(mutex_);
    if (running_) return;
    running_ = true;
    runningSince_ = Clock::now();
}

void StreamClock::stop() {
    std::lock_guard lock(mutex_);
    accumulated_100ns_ = elapsedLocked(Clock::now());
    running_ = false;
}

std::int64_t StreamClock::now_100ns() const {
    std::lock_guard lock(mutex_);
    return elapsedLocked(Clock::now());
}

bool StreamClock::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

}  // namespace platform
