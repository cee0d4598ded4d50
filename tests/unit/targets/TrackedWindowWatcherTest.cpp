#include "targets/TrackedWindowWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/desktop/fake/FakeWindows.h"

namespace talvora {
namespace {

using platform::Rect;
using platform::WindowId;

struct WatchCase {
    bool visible;
    bool minimized;
    bool recording;
    Rect otherWindow;  // the only other window on the desktop
    bool forgotten;
};

class WatchRuleTest : public ::testing::TestWithParam<WatchCase> {};

TEST_P(WatchRuleTest, ForgetsAHiddenWindowOnlyWhileIdle) {
    const WatchCase& c = GetParam();
    platform::FakeWindows windows;
    windows.add("desktop", c.otherWindow);
    const WindowId zoom = windows.add("Zoom", {0, 0, 5, 5});  // tiny: only the other one counts
    windows.get(zoom)->visible = c.visible;
    windows.get(zoom)->minimized = c.minimized;
    TrackedWindow tracked;
    tracked.set(zoom, "Zoom");
    std::atomic<bool> recording{c.recording};

    TrackedWindowWatcher(windows, tracked, recording).checkOnce();
    EXPECT_EQ(tracked.handle(), c.forgotten ? 0u : zoom);
    EXPECT_EQ(tracked.title(), c.forgotten ? "" : "Zoom");
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchRuleTest,
                         ::testing::Values(WatchCase{true, false, false, {0, 0, 100, 100}, false},
                                           WatchCase{false, false, false, {0, 0, 100, 100}, true},
                                           WatchCase{true, true, false, {0, 0, 100, 100}, true},
                                           WatchCase{false, false, true, {0, 0, 100, 100}, false},
                                           WatchCase{false, false, false, {0, 0, 9, 100}, false},
                                           WatchCase{false, false, false, {10001, 0, 10200, 100}, false},
                                           WatchCase{false, false, false, {-10000, -10000, -9990, -9990}, true}));

TEST(TrackedWindowTest, ClearingSparesAWindowTakenMeanwhile) {
    TrackedWindow tracked;
    tracked.set(0x400001, "Zoom");
    tracked.set(0x400002, "Zoom Meeting");
    tracked.clearIf(0x400001);
    EXPECT_EQ(tracked.handle(), 0x400002u);
    EXPECT_EQ(tracked.title(), "Zoom Meeting");

    tracked.forgetHandle();
    EXPECT_EQ(tracked.handle(), 0u);
    EXPECT_EQ(tracked.title(), "Zoom Meeting");
}

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(TrackedWindowWatcherTest, WorkerForgetsTheWindowAndStopsOnEitherFlag) {
    platform::FakeWindows windows;
    const WindowId zoom = windows.add("Zoom");
    windows.get(zoom)->minimized = true;
    TrackedWindow tracked;
    std::atomic<bool> recording{false};
    TrackedWindowWatcher watcher(windows, tracked, recording);

    for (const bool both : {false, true}) {
        tracked.set(zoom, "Zoom");
        watcher.start();
        EXPECT_FALSE(watcher.stopRequested());
        EXPECT_TRUE(waitFor([&] { return tracked.handle() == 0; }));

        const auto asked = std::chrono::steady_clock::now();
        if (both) watcher.stopAll();
        else watcher.stopForRecording();
        watcher.join();
        // Woken at once rather than at the end of its 100 ms pause.
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(90));
        EXPECT_TRUE(watcher.stopRequested());
    }
}

}  // namespace
}  // namespace talvora
