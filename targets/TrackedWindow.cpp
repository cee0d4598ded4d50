#include "targets/TrackedWindow.h"

namespace talvora {

void TrackedWindow::set(platform::WindowId window, const std::string& title) {
    std::lock_guard lock(titleMutex_);
    handle_.store(window);
    title_ = title.substr(0, kTitleCapacity - 1);
}

void TrackedWindow::forgetHandle() { handle_.store(0); }

void TrackedWindow::clearIf(platform::WindowId window) {
    std::lock_guard lock(titleMutex_);
    if (handle_.compare_exchange_strong(window, 0)) title_.clear();
}

std::string TrackedWindow::title() const {
    std::lock_guard lock(titleMutex_);
    return title_;
}

}  // namespace talvora
