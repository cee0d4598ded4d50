#include "targets/WindowTracker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FakePlatform.h"
#include "FakeTrackerHost.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"

namespace talvora {
namespace {

using platform::Rect;
using platform::WindowId;
using ::testing::ElementsAre;

constexpr const char* kMeetTitle = "Meet - abc-defg-hij - Google Chrome";

class WindowTrackerTest : public ::testing::Test {
protected:
    WindowTrackerTest() {
        store.prepareDataFolder();
        settings().autoMark = 1;
        settings().monitor = 1;
        DetectMonitors(fake.ctx, store);
    }

    Settings& settings() { return fake.ctx.settings; }
    Rect captureRect() {
        const Settings& s = settings();
        return {s.xTop, s.yTop, s.xBottom, s.yBottom};
    }
    // Monitor 1 at the origin, monitor 2 to its right, each with a panel.
    void useTwoMonitors() {
        fake.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                    {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}}};
        DetectMonitors(fake.ctx, store);
    }
    // The capture rectangle as the settings file holds it.
    Rect savedRect() {
        Settings copy = settings();
        store.read();
        const Rect saved = captureRect();
        settings() = copy;
        return saved;
    }

    test::FakePlatform fake;
    SettingsStore store{fake.ctx};
    test::FakeTrackerHost host;
    WindowTracker tracker{fake.ctx, store, host};
};

TEST_F(WindowTrackerTest, AOnePixelMoveRestartsThePreviewOnce) {
    const WindowId zoom = fake.windows.add("Zoom", {100, 80, 900, 680});
    tracker.TrackerTick();
    tracker.TrackerTick();
    ASSERT_EQ(host.restarts, 1);
    EXPECT_EQ(tracker.tracked().handle(), zoom);
    EXPECT_EQ(host.status(), "Zoom");

    fake.windows.get(zoom)->rect = {101, 80, 901, 680};
    tracker.TrackerTick();
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{101, 80, 901, 680}));
    EXPECT_EQ(savedRect(), (Rect{101, 80, 901, 680}));
    EXPECT_EQ(host.restarts, 2);
}

TEST_F(WindowTrackerTest, ZoomWinsUnlessGoogleMeetIsAlreadyTracked) {
    fake.windows.add(kMeetTitle, {0, 0, 800, 600});
    const WindowId zoom = fake.windows.add("Zoom Meeting", {10, 10, 810, 610});
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.zoomMode());
    EXPECT_FALSE(tracker.googleMode());
    EXPECT_EQ(tracker.tracked().handle(), zoom);

    fake.windows.remove(zoom);
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(host.status(), "Google Meeting");

    // A Zoom window opened now changes nothing while the meeting tab lives.
    fake.windows.add("Zoom Meeting", {10, 10, 810, 610});
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_FALSE(tracker.zoomMode());
    EXPECT_EQ(captureRect(), (Rect{0, 0, 800, 600}));
}

TEST_F(WindowTrackerTest, OtherServicesComeAfterZoomAndMeetInTheirOrder) {
    const std::filesystem::path folder = fake.root / "Recordings";
    std::filesystem::create_directories(folder);
    settings().recordingFolder = folder.string();
    // The word before the first "_" of the next recording's file name.
    const auto fileWord = [&] {
        EXPECT_TRUE(tracker.MakeRecordingFileName());
        return tracker.recordingFileName().substr(0, tracker.recordingFileName().find('_'));
    };

    const WindowId jitsi = fake.windows.add("Review | Jitsi Meet - Chromium", {0, 0, 800, 600});
    fake.windows.add("Webex Meeting", {10, 10, 810, 610});  // topmost, but Webex comes last
    tracker.TrackerTick();
    EXPECT_EQ(tracker.otherMode(), OtherService::Jitsi);
    EXPECT_EQ(tracker.tracked().handle(), jitsi);
    EXPECT_EQ(captureRect(), (Rect{0, 0, 800, 600}));
    EXPECT_EQ(host.status(), "Review | Jitsi Meet - Chromium");
    EXPECT_EQ(fileWord(), "Jitsi");

    fake.windows.add("Weekly sync | Microsoft Teams", {20, 20, 820, 620});
    tracker.TrackerTick();
    EXPECT_EQ(fileWord(), "Teams");

    fake.windows.add(kMeetTitle, {30, 30, 830, 630});
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(tracker.otherMode(), std::nullopt);
    EXPECT_EQ(fileWord(), "Google Meeting");

    fake.windows.windows.clear();
    tracker.TrackerTick();
    EXPECT_EQ(tracker.otherMode(), std::nullopt);
    EXPECT_EQ(fileWord(), "Talvora");
    EXPECT_EQ(host.status(), "Google Meeting / Zoom windows not detected");
}

TEST_F(WindowTrackerTest, LosingTheWindowOnOneMonitorInsetsTheScreenOnce) {
    const WindowId zoom = fake.windows.add("Zoom Meeting", {100, 80, 900, 680});
    tracker.TrackerTick();
    fake.windows.get(zoom)->minimized = true;
    tracker.TrackerTick();
    tracker.TrackerTick();

    EXPECT_FALSE(tracker.zoomMode());
    EXPECT_EQ(captureRect(), (Rect{10, 10, 1910, 1070}));
    EXPECT_EQ(savedRect(), (Rect{10, 10, 1910, 1070}));
    EXPECT_EQ(host.restarts, 2);
    EXPECT_EQ(host.status(), "Google Meeting / Zoom windows not detected");

    // Restored unchanged, the window is tracked again but not taken over
    // until it moves.
    fake.windows.get(zoom)->minimized = false;
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.zoomMode());
    EXPECT_EQ(captureRect(), (Rect{10, 10, 1910, 1070}));
    fake.windows.get(zoom)->rect = {100, 80, 900, 681};
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{100, 80, 900, 681}));
}

TEST_F(WindowTrackerTest, FullScreenIsStoredOffTheZeroEdgesOnce) {
    settings().fullScreen = 1;
    settings().marked = 1;
    tracker.TrackerTick();
    tracker.TrackerTick();

    EXPECT_EQ(captureRect(), (Rect{-1, -1, 1919, 1079}));
    EXPECT_EQ(savedRect(), (Rect{-1, -1, 1919, 1079}));
    EXPECT_EQ(settings().autoMark, 0);
    EXPECT_EQ(settings().marked, 0);
    EXPECT_EQ(host.restarts, 1);
    EXPECT_EQ(host.status(), "Full screen mode. Open Settings to change.");
}

TEST_F(WindowTrackerTest, FullScreenOfTheSecondMonitor) {
    useTwoMonitors();
    settings().monitor = 2;
    tracker.ApplyFullScreenRect();
    EXPECT_EQ(captureRect(), (Rect{1920, -1, 3840, 1079}));
    EXPECT_EQ(settings().fullScreen, 2);
}

TEST_F(WindowTrackerTest, MarkedRegionRestartsThePreviewOncePerEntry) {
    settings().autoMark = 0;
    settings().marked = 1;
    settings().xTop = 200;
    settings().yTop = 200;
    settings().xBottom = 800;
    settings().yBottom = 600;
    tracker.TrackerTick();
    tracker.TrackerTick();
    EXPECT_EQ(host.restarts, 1);
    EXPECT_EQ(captureRect(), (Rect{200, 200, 800, 600}));
    EXPECT_EQ(host.status(), "Screen capture mode. Open Settings to change.");
}

TEST_F(WindowTrackerTest, TheWindowTakesTheMonitorItMostlyLiesOn) {
    useTwoMonitors();
    const WindowId zoom = fake.windows.add("Zoom Meeting", {2000, 100, 2800, 700});
    tracker.TrackerTick();
    EXPECT_EQ(settings().monitor, 2);
    EXPECT_THAT(host.timer, ElementsAre("stop", "start 1000"));

    // Across both monitors, mostly on the first: it goes back once and stays.
    fake.windows.get(zoom)->rect = {1500, 100, 2000, 700};
    for (int tick = 0; tick < 4; ++tick) tracker.TrackerTick();
    EXPECT_EQ(settings().monitor, 1);
    EXPECT_EQ(host.restarts, 4);  // two rectangles, two monitor changes
}

TEST_F(WindowTrackerTest, LosingTheWindowOnTheSecondMonitorEndsTracking) {
    useTwoMonitors();
    const WindowId zoom = fake.windows.add("Zoom Meeting", {2000, 100, 2800, 700});
    tracker.TrackerTick();
    fake.windows.remove(zoom);
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{1930, 10, 3830, 1070}));
    EXPECT_EQ(settings().fullScreen, 2);

    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{1930, 10, 3830, 1070}));
    EXPECT_EQ(host.status(), "Full screen mode. Open Settings to change.");
}

TEST_F(WindowTrackerTest, NothingHappensWhileRecording) {
    fake.windows.add("Zoom Meeting", {100, 80, 900, 680});
    settings().xTop = 5;
    fake.ctx.recording = true;
    tracker.TrackerTick();
    EXPECT_EQ(settings().xTop, 5);
    EXPECT_EQ(host.restarts, 0);
    EXPECT_TRUE(host.statuses.empty());
}

TEST_F(WindowTrackerTest, NoStatusWhileTheRegionFrameIsShownDuringAConversion) {
    host.frameShown = true;
    host.convertingFile = true;
    tracker.TrackerTick();
    EXPECT_TRUE(host.statuses.empty());
    host.convertingFile = false;
    tracker.TrackerTick();
    EXPECT_EQ(host.status(), "Google Meeting / Zoom windows not detected");
}

TEST_F(WindowTrackerTest, BackgroundModeCapturesTheWindowAndScalesTheSecondMonitor) {
    useTwoMonitors();
    fake.ctx.scales.mainScale = 125;
    fake.ctx.scales.secondScale = 150.0;
    settings().hideWindow = 1;
    host.ready = true;
    fake.windows.add("Zoom Meeting", {2000, 100, 2800, 700});
    tracker.TrackerTick();
    // The rectangle was taken over, which clears window capture for a tick.
    EXPECT_FALSE(tracker.windowCaptureActive());
    const int restarts = host.restarts;

    tracker.TrackerTick();
    EXPECT_TRUE(tracker.windowCaptureActive());
    EXPECT_EQ(tracker.secondMonitorScale(), 100);
    tracker.TrackerTick();
    EXPECT_EQ(tracker.secondMonitorScale(), 120);  // 150 * 100 / 125
    EXPECT_EQ(host.restarts, restarts + 1);
    tracker.TrackerTick();
    EXPECT_EQ(host.restarts, restarts + 1);
}

struct ScaleCase {
    int mainScale;
    double secondScale;
    int expected;
};

class SecondMonitorScaleTest : public WindowTrackerTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(SecondMonitorScaleTest, IsTheRatioOfTheScales) {
    useTwoMonitors();
    fake.ctx.scales.mainScale = GetParam().mainScale;
    fake.ctx.scales.secondScale = GetParam().secondScale;
    settings().hideWindow = 1;
    host.ready = true;
    fake.windows.add("Zoom Meeting", {2000, 100, 2800, 700});
    for (int tick = 0; tick < 3; ++tick) tracker.TrackerTick();
    EXPECT_EQ(tracker.secondMonitorScale(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Scales, SecondMonitorScaleTest,
                         ::testing::Values(ScaleCase{100, 150.0, 150}, ScaleCase{0, 150.0, 150},
                                           ScaleCase{150, 100.0, 66}, ScaleCase{100, 0.4, 100},
                                           ScaleCase{1, 1e12, 100}));

TEST_F(WindowTrackerTest, StartupPositionCheckBringsTheRectangleBackOnce) {
    settings().autoMark = 0;
    settings().xTop = 5000;
    settings().yTop = 300;
    settings().xBottom = 5600;
    settings().yBottom = 700;
    tracker.TrackerTick();
    EXPECT_EQ(settings().xTop, 5000);  // the preview is not ready yet

    host.ready = true;
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{0, 0, 5600, 700}));
    EXPECT_EQ(host.restarts, 1);

    settings().xTop = 5000;
    tracker.TrackerTick();
    EXPECT_EQ(settings().xTop, 5000);
}

TEST_F(WindowTrackerTest, DetectMeetingWindowsAnswersTheKindPresent) {
    EXPECT_EQ(tracker.DetectMeetingWindows(WindowTracker::kZoom), 0);
    const WindowId meet = fake.windows.add(kMeetTitle);
    EXPECT_EQ(tracker.DetectMeetingWindows(WindowTracker::kZoom), WindowTracker::kGoogleMeet);
    fake.windows.add("Zoom");
    EXPECT_EQ(tracker.DetectMeetingWindows(WindowTracker::kZoom), WindowTracker::kZoom);
    EXPECT_EQ(tracker.DetectMeetingWindows(WindowTracker::kGoogleMeet), WindowTracker::kGoogleMeet);
    fake.windows.remove(meet);
    EXPECT_EQ(tracker.DetectMeetingWindows(WindowTracker::kGoogleMeet), WindowTracker::kZoom);
    EXPECT_FALSE(tracker.zoomMode());
}

TEST_F(WindowTrackerTest, TrackGoogleWindowChoosesTheMeetingOverZoom) {
    fake.windows.add(kMeetTitle, {0, 0, 800, 600});
    fake.windows.add("Zoom Meeting", {10, 10, 810, 610});
    settings().fullScreen = 1;
    int refreshed = 0;
    tracker.TrackGoogleWindow([&] { ++refreshed; });

    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(settings().fullScreen, 0);
    EXPECT_EQ(settings().autoMark, 1);
    EXPECT_EQ(refreshed, 1);
    EXPECT_THAT(fake.pump.durations(), ElementsAre(1000));
    EXPECT_THAT(host.timer, ElementsAre("stop", "start 1000"));

    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), (Rect{0, 0, 800, 600}));
}

TEST_F(WindowTrackerTest, TrackZoomWindowWithoutAZoomWindowOnlyClearsItsFlag) {
    fake.windows.add("Zoom");
    tracker.TrackerTick();
    ASSERT_TRUE(tracker.zoomMode());
    fake.windows.windows.clear();
    settings().fullScreen = 1;
    int refreshed = 0;
    tracker.TrackZoomWindow([&] { ++refreshed; });
    EXPECT_FALSE(tracker.zoomMode());
    EXPECT_EQ(settings().fullScreen, 1);
    EXPECT_EQ(refreshed, 0);
    EXPECT_TRUE(fake.pump.durations().empty());
}

struct EnableCase {
    TrackingCommandSource source;
    int fullScreen;
    int marked;
    bool meetingChosen;
    bool acts;
};

class EnableTrackingTest : public WindowTrackerTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(EnableTrackingTest, ActsOnlyFromTheRightMode) {
    const EnableCase& c = GetParam();
    if (c.meetingChosen) {
        fake.windows.add("Zoom");
        tracker.TrackZoomWindow({});
    }
    settings().autoMark = 0;
    settings().fullScreen = c.fullScreen;
    settings().marked = c.marked;
    tracker.EnableTracking(c.source);
    EXPECT_EQ(settings().autoMark, c.acts ? 1 : 0);
    EXPECT_EQ(settings().fullScreen + settings().marked == 0, c.acts || c.fullScreen + c.marked == 0);
}

using Source = TrackingCommandSource;
INSTANTIATE_TEST_SUITE_P(Sources, EnableTrackingTest,
                         ::testing::Values(EnableCase{Source::SettingsDialog, 1, 0, false, true},
                                           EnableCase{Source::SettingsDialog, 1, 0, true, false},
                                           EnableCase{Source::RecorderMenu, 0, 0, false, false},
                                           EnableCase{Source::RecorderMenu, 1, 0, true, true},
                                           EnableCase{Source::RecorderMenu, 0, 1, false, true}));

}  // namespace
}  // namespace talvora
