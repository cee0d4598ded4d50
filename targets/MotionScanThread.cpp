#include "targets/MotionScanThread.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "app/MonitorDetection.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/desktop/Display.h"
#include "platform/desktop/ScreenCopy.h"
#include "targets/MotionDetection.h"
#include "targets/ScanFrame.h"

namespace talvora {

namespace {

constexpr int kFirstDelay_ms = 1000;
constexpr int kDelayStep_ms = 100;
constexpr int kQuietWait_ms = 150;
constexpr int kQuietScansBeforeEnd = 20;
constexpr int kLeastChangedPixels = 50;
constexpr int kLastAnalysedScan = 10;

}  // namespace

MotionScanThread::MotionScanThread(Services services) : services_(services) {
    wait_ = [this](int ms) {
        std::unique_lock lock(stopMutex_);
        stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
    };
}

MotionScanThread::~MotionScanThread() { stopThread(); }

void MotionScanThread::stopThread() {
    {
        std::lock_guard lock(stopMutex_);
        stop_ = true;
    }
    stopped_.notify_all();
    join();
    stop_ = false;
}

void MotionScanThread::join() {
    if (thread_.joinable()) thread_.join();
}

void MotionScanThread::start(const Request& request) {
    // Called on the UI thread: an old search, even one just waiting after
    // its report, must not hold it for seconds.
    stopThread();
    report_ = 0;
    thread_ = std::thread([this, request] { run(request); });
}

bool MotionScanThread::takeReport(int code) {
    int expected = code;
    return code != 0 && report_.compare_exchange_strong(expected, 0);
}

platform::Rect MotionScanThread::result() const {
    return {resultLeft_.load(), resultTop_.load(), resultRight_.load(), resultBottom_.load()};
}

platform::Rect MotionScanThread::SearchArea(platform::Display& display, int monitor) {
    const std::vector<platform::Monitor> monitors = display.monitors();
    if (monitors.size() <= 1) return monitors.empty() ? display.workArea() : monitors.front().work;
    const platform::Rect screen = display.desktopRect();
    // The centre of the primary screen, wherever that lies.
    const std::size_t main =
        NearestMonitor(monitors, {screen.left + screen.width() / 2, screen.top + screen.height() / 2});
    if (monitor != 2) return monitors[main].work;
    std::size_t other = NearestMonitor(monitors, {20000, 500});
    if (other == main) other = NearestMonitor(monitors, {-20000, 500});
    return monitors[other].work;
}

bool MotionScanThread::pause(int ms) {
    wait_(ms);
    return !stop_;
}

void MotionScanThread::post(const Request& request, int code) {
    report_ = code;
    services_.messages.post(request.recorder, request.replicast, code, code);
}

void MotionScanThread::leaveOutRecorder(platform::WindowId recorder, const platform::Rect& area, const ScanFrame& a,
                                        ScanFrame& b) {
    if (recorder == 0) return;
    const platform::Rect window = services_.windows.rect(recorder);
    const int left = std::max(window.left, area.left) - area.left;
    const int right = std::min(window.right, area.right) - area.left;
    const int top = std::max(window.top, area.top) - area.top;
    const int bottom = std::min(window.bottom, area.bottom) - area.top;
    if (left >= right || top >= bottom) return;
    const int H = a.height();
    const std::size_t stride = static_cast<std::size_t>(a.width()) * 4;
    for (int y = top; y < bottom; ++y) {
        const std::size_t offset = static_cast<std::size_t>(H - 1 - y) * stride + static_cast<std::size_t>(left) * 4;
        std::memcpy(b.data() + offset, a.data() + offset, static_cast<std::size_t>(right - left) * 4);
    }
}

void MotionScanThread::run(const Request& request) {
    platform::Display& display = services_.display;
    const int menuHeight = display.systemMetric(platform::SystemMetric::MenuHeight);
    const int edgeWidth = display.systemMetric(platform::SystemMetric::EdgeWidth);
    int delay_ms = kFirstDelay_ms;
    int quietScans = 0;
    int analysed = 0;
    grabError_ = 0;
    while (!stop_) {
        const platform::Rect area = SearchArea(display, request.monitor);
        const int W = std::abs(area.width());
        const int H = std::abs(area.height());
        std::optional<ScanPasses> passes;
        {
            ScanFrame a(W, H);
            ScanFrame b(W, H);
            if (!a.ok() || !b.ok()) {
                services_.messageBox.show("Out Of Memory");
                post(request, kEnded);
                pause(1000);
                return;
            }
            int error = services_.screen.copy(area, a.data());
            if (error == 0) {
                delay_ms -= kDelayStep_ms;
                if (delay_ms <= 100) delay_ms = kFirstDelay_ms;
                if (!pause(delay_ms)) return;
                error = services_.screen.copy(area, b.data());
            }
            grabError_ = error;
            if (error != 0) {
                services_.messageBox.show(platform::format("\r\nERROR errorBitmap=%d", error));
                post(request, kEnded);
                pause(1000);
                return;
            }
            leaveOutRecorder(request.recorder, area, a, b);
            passes.emplace(RunMotionPasses(a, b, menuHeight));
        }
        if (passes->changedPixels < kLeastChangedPixels) {
            if (!pause(kQuietWait_ms)) return;
            if (++quietScans == kQuietScansBeforeEnd) {
                post(request, kEnded);
                pause(2000);
                return;
            }
            continue;
        }
        quietScans = 0;
        const MotionVerdict verdict = AnalyseScan(*passes, analysed, edgeWidth, area);
        if (verdict.found) {
            resultLeft_ = verdict.rect.left;
            resultTop_ = verdict.rect.top;
            resultRight_ = verdict.rect.right;
            resultBottom_ = verdict.rect.bottom;
            post(request, kFound);
            return;
        }
        if (analysed == kLastAnalysedScan) {
            post(request, kEnded);
            return;
        }
        ++analysed;
    }
}

}  // namespace talvora
