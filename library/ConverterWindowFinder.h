#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {
class Windows;
}

namespace talvora {

// After the recordings are handed to the maker's converter: looks for its
// window "VXC" once a second, up to 20 times, and restores it below the
// topmost windows once found. One search at a time; started on the UI
// thread, it runs on a worker of its own.
class ConverterWindowFinder {
public:
    explicit ConverterWindowFinder(platform::Windows& windows) : windows_(windows) {}
    // Ends a search under way and joins it.
    ~ConverterWindowFinder();
    ConverterWindowFinder(const ConverterWindowFinder&) = delete;
    ConverterWindowFinder& operator=(const ConverterWindowFinder&) = delete;

    // A search still under way is ended first.
    void start();
    // Waits for the search to end (tests).
    void wait();
    // Time between looks (tests).
    void setInterval(int ms) { interval_ms_ = ms; }

private:
    void stop();

    platform::Windows& windows_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    int interval_ms_ = 1000;
};

}  // namespace talvora
