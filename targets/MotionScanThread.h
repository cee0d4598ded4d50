#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"

namespace platform {
class Display;
class MessageBox;
class ScreenCopy;
}  // namespace platform

namespace talvora {

class ScanFrame;

// The motion-video search: a worker that compares pairs of screenshots of the
// chosen monitor's work area until a rectangle that looks like a playing
// video is found (result set, then "Replicast message" 777 to the recorder
// window) or the search gives up (1111). The recorder window itself is left
// out of the comparison: its live preview always changes.
//
// start() and the destructor run on the UI thread; the search on its own
// thread; result() and grabError() are read on the UI thread after the post.
// "Replicast message" is registered by every process under the same name, so
// a post alone proves nothing: takeReport() tells whether this search sent it.
class MotionScanThread {
public:
    static constexpr int kFound = 777;
    static constexpr int kEnded = 1111;

    struct Services {
        platform::Display& display;
        platform::ScreenCopy& screen;
        platform::Windows& windows;
        platform::WindowMessages& messages;
        platform::MessageBox& messageBox;
    };

    struct Request {
        int monitor = 1;                   // the `Monitor` setting
        platform::WindowId recorder = 0;   // posted to, and left out
        platform::MessageId replicast = 0;  // "Replicast message"
    };

    explicit MotionScanThread(Services services);
    ~MotionScanThread();
    MotionScanThread(const MotionScanThread&) = delete;
    MotionScanThread& operator=(const MotionScanThread&) = delete;

    // Starts a search on a new thread. One still running is told to stop
    // first: it ends at its next wait, without a report.
    void start(const Request& request);
    // Waits until a started search has ended.
    void join();
    // The search itself, on the calling thread; tests call it directly.
    void run(const Request& request);

    // Tests replace the waits between and after scans.
    void setWait(std::function<void(int ms)> wait) { wait_ = std::move(wait); }

    // True once for the code this search posted, false for any other post
    // (another process's, a stopped search's, one already taken).
    bool takeReport(int code);

    platform::Rect result() const;
    // 0 after a successful screenshot, else the failed copy's code.
    int grabError() const { return grabError_; }

    // The work area searched: monitor 2's when it is asked for and exists,
    // else the primary screen's.
    static platform::Rect SearchArea(platform::Display& display, int monitor);

private:
    // False when the search was told to stop meanwhile.
    bool pause(int ms);
    void post(const Request& request, int code);
    // Stops a running search and waits for its thread.
    void stopThread();
    // Copies the recorder window's pixels of `a` into `b`.
    void leaveOutRecorder(platform::WindowId recorder, const platform::Rect& area, const ScanFrame& a, ScanFrame& b);

    Services services_;
    std::function<void(int)> wait_;
    std::atomic<int> grabError_{0};
    std::atomic<int> resultLeft_{0}, resultTop_{0}, resultRight_{0}, resultBottom_{0};
    // The code posted and not yet taken; 0 for none.
    std::atomic<int> report_{0};
    std::atomic<bool> stop_{false};
    std::mutex stopMutex_;
    std::condition_variable stopped_;
    std::thread thread_;
};

}  // namespace talvora
