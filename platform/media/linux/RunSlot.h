#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace platform {

// The object of one run of a filter (a muxer, an encoder and its thread),
// put in and taken out by the UI thread while streaming threads use it.
// Taking it out waits for no one; a sample that comes later finds nothing.
template <class T>
class RunSlot {
public:
    void put(std::unique_ptr<T> run) {
        std::lock_guard lock(mutex_);
        run_ = std::move(run);
    }
    std::unique_ptr<T> take() {
        std::lock_guard lock(mutex_);
        return std::move(run_);
    }
    // Calls `use` with the run while one is in; false when none is.
    template <class F>
    bool with(F&& use) const {
        std::lock_guard lock(mutex_);
        if (!run_) return false;
        std::forward<F>(use)(*run_);
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::unique_ptr<T> run_;
};

}  // namespace platform
