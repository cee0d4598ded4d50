#include "library/ConverterWindowFinder.h"

#include <chrono>

#include "platform/desktop/Windows.h"

namespace talvora {

namespace {
constexpr int kLooks = 20;
}

ConverterWindowFinder::~ConverterWindowFinder() { stop(); }

void ConverterWindowFinder::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    wait();
}

void ConverterWindowFinder::wait() {
    if (worker_.joinable()) worker_.join();
}

void ConverterWindowFinder::start() {
    stop();
    stopping_ = false;
    worker_ = std::thread([this, interval = std::chrono::milliseconds(interval_ms_)] {
        for (int look = 0; look < kLooks; ++look) {
            {
                std::unique_lock lock(mutex_);
                if (wake_.wait_for(lock, interval, [this] { return stopping_; })) return;
            }
            if (const platform::WindowId converter = windows_.find("VXC"); converter != 0) {
                windows_.restoreBelowTopmost(converter);
                return;
            }
        }
    });
}

}  // namespace talvora
