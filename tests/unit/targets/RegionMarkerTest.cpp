#include "targets/RegionMarker.h"

#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeMarkingHost.h"
#include "FakePlatform.h"
#include "SyntheticScreens.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/desktop/fake/FakeScreenCopy.h"

#include <cstring>

namespace talvora {
namespace {

using platform::Rect;
using ::testing::ElementsAre;

class RegionMarkerTest : public ::testing::Test {
protected:
    RegionMarkerTest() {
        fake.ctx.messages = RegisteredMessages::registerAll(fake.messages);
        host.recorder = fake.windows.add("Talvora", {1500, 900, 1700, 1000});
        marker.scanner().setWait([](int) {});
    }

    Settings& settings() { return fake.ctx.settings; }
    Rect captureRect() const {
        const Settings& s = fake.ctx.settings;
        return {s.xTop, s.yTop, s.xBottom, s.yBottom};
    }
    void setCaptureRect(const Rect& r) {
        settings().xTop = r.left;
        settings().yTop = r.top;
        settings().xBottom = r.right;
        settings().yBottom = r.bottom;
    }
    // The capture rectangle as the settings file holds it.
    Rect savedRect() {
        const Settings copy = settings();
        store.read();
        const Rect saved = captureRect();
        settings() = copy;
        return saved;
    }
    void click(int id) { marker.frame()->button(id)->click(); }
    // Lets the frame fit its outer edges to its rectangle, as it does once
    // the window system has told it the size of its decorations.
    void settle() { QTest::qWait(60); }
    // Moves and sizes the frame as the window manager would, by its outer edges.
    void placeFrame(const Rect& r) {
        MarkWindow* frame = marker.frame();
        const QRect outer = frame->frameGeometry();
        const QRect inner = frame->geometry();
        frame->setGeometry(r.left + inner.x() - outer.x(), r.top + inner.y() - outer.y(),
                           r.width() - (outer.width() - inner.width()), r.height() - (outer.height() - inner.height()));
    }

    test::FakePlatform fake;
    SettingsStore store{fake.ctx};
    test::InProgramFolder programFolder{fake, store};
    test::FakeMarkingHost host;
    platform::FakeScreenCopy screen;
    RegionMarker marker{fake.ctx, store, host, screen};
};

TEST_F(RegionMarkerTest, MarkRegionOpensTheFrameOnTheMarkedRectangleOrTheDefault) {
    settings().marked = 0;
    marker.markRegion();
    ASSERT_NE(marker.frame(), nullptr);
    settle();
    EXPECT_EQ(marker.frame()->windowRect(), (Rect{200, 200, 900, 700}));
    EXPECT_EQ(marker.frame()->windowTitle(), "MOVE/SIZE THIS WINDOW TO COVER SELECTED AREA");
    EXPECT_EQ(marker.markingState(), 2);
    EXPECT_EQ(marker.openFlag(), 0);
    EXPECT_TRUE(marker.regionFrameShown());
    EXPECT_EQ(host.settingsCloses, 1);
    EXPECT_THAT(fake.log.lines(), ::testing::Contains("\r\nx11=200 y11=200 x22=900 y22=700"));

    // The same command again closes the frame, keeping its rectangle.
    marker.markRegion();
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 0);

    settings().marked = 1;
    setCaptureRect({300, 250, 1000, 650});
    marker.markRegion();
    ASSERT_NE(marker.frame(), nullptr);
    settle();
    EXPECT_EQ(marker.frame()->windowRect(), (Rect{300, 250, 1000, 650}));
}

TEST_F(RegionMarkerTest, SizingShowsTheRectangleAndAcceptStoresIt) {
    setCaptureRect({200, 200, 800, 600});
    store.write();
    marker.OpenRegionFrame();
    ASSERT_NE(marker.frame(), nullptr);
    settle();
    placeFrame({100, 100, 740, 580});
    EXPECT_EQ(host.status, "100,100,740,580 (640,480)");
    EXPECT_EQ(captureRect(), (Rect{100, 100, 740, 580}));
    EXPECT_EQ(savedRect(), (Rect{200, 200, 800, 600}));  // not before it closes

    const int restoresBefore = host.restores;
    click(MarkWindow::kAccept);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(savedRect(), (Rect{100, 100, 740, 580}));
    EXPECT_EQ(marker.markingState(), 0);
    EXPECT_EQ(marker.openFlag(), 1);
    EXPECT_EQ(host.restores, restoresBefore + 1);
}

TEST_F(RegionMarkerTest, ALeftClickInTheFrameOrClosingItAcceptsOtherButtonsDoNot) {
    marker.OpenRegionFrame();
    MarkWindow* frame = marker.frame();
    ASSERT_NE(frame, nullptr);
    QTest::mouseRelease(frame, Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_NE(marker.frame(), nullptr);
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 0);

    // Closed through its window frame: the same, never a hidden frame left open.
    marker.OpenRegionFrame();
    ASSERT_NE(marker.frame(), nullptr);
    marker.frame()->close();
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 0);
}

TEST_F(RegionMarkerTest, RecordAsksTheRecorderToStartAtItsNextTick) {
    marker.OpenRegionFrame();
    click(MarkWindow::kRecord);
    ASSERT_EQ(fake.messages.posted.size(), 1u);
    EXPECT_EQ(fake.messages.posted[0].window, host.recorder);
    EXPECT_EQ(fake.messages.posted[0].message, fake.messages.idOf("WM_RECORD_STOP_STR"));
    EXPECT_EQ(fake.messages.posted[0].wParam, 0);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 0);
}

TEST_F(RegionMarkerTest, RetryKeepsTheRectangleUnsavedAndSearchesUntilTheResultArrives) {
    settings().marked = 1;
    setCaptureRect({200, 200, 800, 600});
    store.write();
    marker.OpenRegionFrame();
    settle();
    placeFrame({50, 60, 750, 560});
    // A click on the region command while the search waits does nothing.
    fake.pump.onPump = [this](int) { marker.markRegion(); };
    click(MarkWindow::kRetry);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 1);
    EXPECT_EQ(host.status, "Searching for motion video. Start your video now.");
    EXPECT_FALSE(host.watcherRunning);
    EXPECT_THAT(fake.pump.durations(), ElementsAre(1000));
    EXPECT_EQ(captureRect(), (Rect{50, 60, 750, 560}));
    EXPECT_EQ(savedRect(), (Rect{200, 200, 800, 600}));

    marker.scanner().join();  // a still screen: the search gives up
    ASSERT_EQ(fake.messages.posted.size(), 1u);
    EXPECT_EQ(fake.messages.posted[0].message, fake.messages.idOf("Replicast message"));
    EXPECT_EQ(fake.messages.posted[0].wParam, 1111);
    // Another process's 777 meanwhile opens nothing.
    marker.OnMotionSearchResult(777);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 1);
    marker.OnMotionSearchResult(1111);
    EXPECT_EQ(host.status, "Search stopped. No motion video detected.");
    EXPECT_EQ(marker.markingState(), 0);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(host.watcherRunning);
    EXPECT_EQ(host.tips.back(),
              "No motion video was detected. Play your video then click Get Video again.\r\nOr click Mark Video to "
              "manually mark the video window.");
}

TEST_F(RegionMarkerTest, AResultNoSearchOfOursSentIsIgnored) {
    setCaptureRect({300, 250, 1000, 650});
    marker.OnMotionSearchResult(777);
    marker.OnMotionSearchResult(1111);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(captureRect(), (Rect{300, 250, 1000, 650}));
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_EQ(host.beeps, 0);
}

TEST_F(RegionMarkerTest, AConversionsEndLeavesAShownFrameAndARunningSearchAlone) {
    marker.OpenRegionFrame();
    marker.resetMarkingState();
    EXPECT_EQ(marker.markingState(), 2);

    // Retry; the conversion ends while the search waits for the video.
    fake.pump.onPump = [this](int) { marker.resetMarkingState(); };
    click(MarkWindow::kRetry);
    marker.resetMarkingState();
    EXPECT_EQ(marker.markingState(), 1);
    marker.markRegion();  // so no second frame, and no second Retry
    EXPECT_EQ(marker.frame(), nullptr);

    marker.scanner().join();
    marker.OnMotionSearchResult(1111);
    EXPECT_EQ(marker.markingState(), 0);
}

TEST_F(RegionMarkerTest, AFailedSearchSaysSo) {
    marker.OpenRegionFrame();
    screen.failAt = 0;
    click(MarkWindow::kRetry);
    marker.scanner().join();
    marker.OnMotionSearchResult(1111);
    EXPECT_EQ(host.status, "Error detecting video");
    EXPECT_THAT(fake.messageBox.texts(), ElementsAre("\r\nERROR errorBitmap=4"));
}

TEST_F(RegionMarkerTest, AFoundVideoOpensTheFrameOnItAndSavesIt) {
    settings().showVideo = 0;
    screen.draw = [](int index, const Rect& area, std::uint8_t* pixels) {
        ScanFrame frame(area.width(), area.height());
        test::paintVideo(frame, {640, 340, 1280, 700}, index % 2);
        std::memcpy(pixels, frame.data(), static_cast<std::size_t>(area.width()) * area.height() * 4);
    };
    marker.OpenRegionFrame();
    click(MarkWindow::kRetry);
    marker.scanner().join();
    ASSERT_EQ(fake.messages.posted.size(), 1u);
    EXPECT_EQ(fake.messages.posted[0].wParam, 777);
    marker.OnMotionSearchResult(777);
    ASSERT_NE(marker.frame(), nullptr);
    settle();
    const Rect found{644, 341, 1276, 700};  // the fake display's edge width is 4
    EXPECT_EQ(marker.frame()->windowRect(), found);
    EXPECT_EQ(marker.markingState(), 2);
    EXPECT_THAT(host.statuses, ::testing::Contains("Motion video detected. Click Accept in the video window..."));
    EXPECT_EQ(host.tips.back(), "Motion video detected. Click the marked window to exit search.");
    EXPECT_EQ(savedRect(), found);
}

TEST_F(RegionMarkerTest, NoFrameOpensWhileRecordingAndNothingStaysMarking) {
    fake.ctx.recording = true;
    marker.markRegion();
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.markingState(), 0);

    marker.OpenRegionFrame();
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.openFlag(), 0);
    EXPECT_EQ(marker.markingState(), 0);  // a recording start is not blocked

    fake.ctx.recording = false;
    marker.OpenRegionFrame();  // only resets the open flag
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(marker.openFlag(), 1);
    marker.OpenRegionFrame();
    EXPECT_NE(marker.frame(), nullptr);
}

TEST_F(RegionMarkerTest, MarkEntireScreenOpensOnTheMonitorUnlessInFullScreenMode) {
    settings().fullScreen = 1;
    settings().marked = 1;
    marker.markEntireScreen();
    EXPECT_EQ(settings().marked, 0);
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_TRUE(host.timer.empty());

    settings().fullScreen = 0;
    marker.markEntireScreen();
    ASSERT_NE(marker.frame(), nullptr);
    settle();
    EXPECT_EQ(marker.frame()->windowRect(), (Rect{0, 0, 1920, 1080}));
    EXPECT_THAT(host.timer, ElementsAre("stop", "start 1000"));
}

TEST_F(RegionMarkerTest, TheRecordingStartClosesTheFrameWithItsRectangle) {
    marker.OpenRegionFrame();
    settle();
    placeFrame({10, 20, 410, 320});
    marker.closeMarkingWindow();
    EXPECT_EQ(marker.frame(), nullptr);
    EXPECT_EQ(savedRect(), (Rect{10, 20, 410, 320}));
}

}  // namespace
}  // namespace talvora
