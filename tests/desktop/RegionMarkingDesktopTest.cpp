// The region frame and the motion search on a real X server with openbox: the
// frame is a real framed window, sized and clicked from outside with xdotool,
// and the search reads the real screen on which ffplay plays a video.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "../unit/targets/FakeMarkingHost.h"
#include "DesktopWait.h"
#include "X11DesktopPlatform.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/desktop/ScreenSourceCopy.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "targets/RegionMarker.h"

namespace {

using platform::Rect;
using talvora::test::waitFor;

void xdotool(const QStringList& arguments) {
    EXPECT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

bool near(const Rect& a, const Rect& b, int slack) {
    return std::abs(a.left - b.left) <= slack && std::abs(a.top - b.top) <= slack &&
           std::abs(a.right - b.right) <= slack && std::abs(a.bottom - b.bottom) <= slack;
}

std::string text(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class RegionMarkingDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
        ASSERT_TRUE(home.isValid());
        store.prepareDataFolder();
        ctx.messages = talvora::RegisteredMessages::registerAll(desktop.messages);
        talvora::DetectMonitors(ctx, store);
        ctx.settings.marked = 1;
    }
    void TearDown() override {
        if (video.state() != QProcess::NotRunning) {
            video.kill();
            video.waitForFinished(3000);
        }
    }

    Rect savedRect() {
        const talvora::Settings copy = ctx.settings;
        store.read();
        const talvora::Settings& s = ctx.settings;
        const Rect saved{s.xTop, s.yTop, s.xBottom, s.yBottom};
        ctx.settings = copy;
        return saved;
    }
    void setCaptureRect(const Rect& r) {
        ctx.settings.xTop = r.left;
        ctx.settings.yTop = r.top;
        ctx.settings.xBottom = r.right;
        ctx.settings.yBottom = r.bottom;
    }
    platform::WindowId frameId() const {
        return marker.frame() != nullptr ? static_cast<platform::WindowId>(marker.frame()->winId()) : 0;
    }
    // The frame as the window manager placed it, decorations included.
    Rect frameOnScreen() { return desktop.windows.rect(frameId()); }
    bool frameAt(const Rect& r) {
        return marker.frame() != nullptr && frameOnScreen() == r && marker.frame()->windowRect() == r;
    }

    // A borderless 640 x 360 window of coloured noise at (640, 340).
    void playVideo() {
        const QString noise = "nullsrc=s=640x360:r=25,format=gbrp,geq=r=random(1)*255:g=random(2)*255:b=random(3)*255";
        video.start("ffplay", {"-loglevel", "quiet", "-noborder", "-window_title", "Noise", "-left", "640", "-top",
                               "340", "-f", "lavfi", "-i", noise});
        ASSERT_TRUE(waitFor([&] { return desktop.windows.isVisible(desktop.windows.find("Noise")); }, 10000));
        QTest::qWait(1500);
    }

    QTemporaryDir home;
    talvora::test::X11DesktopPlatform desktop{home.path().toStdString()};
    talvora::AppContext& ctx = desktop.ctx;
    talvora::SettingsStore store{ctx};
    talvora::test::FakeMarkingHost host;
    platform::X11ScreenSource source;
    platform::ScreenSourceCopy screen{source};
    talvora::RegionMarker marker{ctx, store, host, screen};
    QProcess video;
};

TEST_F(RegionMarkingDesktopTest, TheFrameCoversItsRectangleIsSizedAndClosesOnAcceptOrAClick) {
    // Reset markers: the frame's outer edges at (200, 200)-(800, 600).
    setCaptureRect({200, 200, 800, 600});
    store.write();
    marker.markRegion();
    ASSERT_TRUE(waitFor([&] { return frameAt({200, 200, 800, 600}); })) << text(frameOnScreen());
    EXPECT_EQ(marker.markingState(), 2);

    // Sized by the window manager to 640 x 480 at (100, 100), frame included.
    QTest::qWait(1000);  // as a user would: the window manager has settled the new window
    const QRect inner = marker.frame()->geometry();
    const QRect outer = marker.frame()->frameGeometry();
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    const QString id = QString::number(frameId());
    const auto movedTo = [&](int x, int y) {
        const Rect r = frameOnScreen();
        return r.left == x && r.top == y;
    };
    const auto placed = [&] { return frameOnScreen() == Rect{100, 100, 740, 580}; };
    // Moved, then sized: only sizing shows the rectangle. The window's own
    // position is its client area's, inside the frame. A request that comes
    // while the window manager is still busy with the last one may be lost:
    // it is asked again.
    for (int attempt = 0; attempt < 3 && !movedTo(100, 100); ++attempt) {
        xdotool({"windowmove", id, QString::number(100 + inner.x() - outer.x()),
                 QString::number(100 + inner.y() - outer.y())});
        waitFor([&] { return movedTo(100, 100); }, 1500);
    }
    for (int attempt = 0; attempt < 3 && !placed(); ++attempt) {
        xdotool({"windowsize", id, QString::number(640 - extraWidth), QString::number(480 - extraHeight)});
        waitFor(placed, 1500);
    }
    ASSERT_TRUE(placed()) << text(frameOnScreen());
    ASSERT_TRUE(waitFor([&] { return host.status == "100,100,740,580 (640,480)"; })) << host.status;

    // A click in the client area accepts and stores the rectangle.
    xdotool({"mousemove", "400", "400", "click", "1"});
    ASSERT_TRUE(waitFor([&] { return marker.frame() == nullptr; }));
    EXPECT_EQ(savedRect(), (Rect{100, 100, 740, 580}));
    EXPECT_EQ(marker.markingState(), 0);

    // Opened again on it; Accept stores it too.
    marker.markRegion();
    ASSERT_TRUE(waitFor([&] { return frameAt({100, 100, 740, 580}); })) << text(frameOnScreen());
    QTest::qWait(1000);  // Qt has learnt where the window manager put it
    const QPoint accept = marker.frame()->button(talvora::MarkWindow::kAccept)->mapToGlobal(QPoint(10, 5));
    xdotool({"mousemove", QString::number(accept.x()), QString::number(accept.y()), "click", "1"});
    ASSERT_TRUE(waitFor([&] { return marker.frame() == nullptr; }));
    EXPECT_EQ(savedRect(), (Rect{100, 100, 740, 580}));
}

TEST_F(RegionMarkingDesktopTest, RetryFindsAPlayingVideoAndOpensTheFrameOnIt) {
    playVideo();
    setCaptureRect({200, 200, 800, 600});
    marker.markRegion();
    ASSERT_TRUE(waitFor([&] { return frameAt({200, 200, 800, 600}); }));
    marker.frame()->button(talvora::MarkWindow::kRetry)->click();
    EXPECT_EQ(marker.markingState(), 1);
    marker.scanner().join();
    ASSERT_EQ(desktop.messages.posted.size(), 1u);
    ASSERT_EQ(desktop.messages.posted[0].wParam, 777);
    marker.OnMotionSearchResult(777);
    // Inside the video's sides by the edge width, top one row below its top.
    const Rect found{642, 341, 1278, 700};
    ASSERT_TRUE(waitFor([&] { return marker.frame() != nullptr && near(frameOnScreen(), found, 4); }))
        << text(frameOnScreen());
    EXPECT_TRUE(near(savedRect(), found, 4)) << text(savedRect());
    EXPECT_THAT(host.statuses, ::testing::Contains("Motion video detected. Click Accept in the video window..."));
}

TEST_F(RegionMarkingDesktopTest, AStillScreenEndsTheSearchWithNoVideo) {
    marker.markRegion();
    ASSERT_TRUE(waitFor([&] { return marker.frame() != nullptr; }));
    marker.frame()->button(talvora::MarkWindow::kRetry)->click();
    marker.scanner().join();
    ASSERT_EQ(desktop.messages.posted.size(), 1u);
    ASSERT_EQ(desktop.messages.posted[0].wParam, 1111);
    marker.OnMotionSearchResult(1111);
    EXPECT_EQ(host.status, "Search stopped. No motion video detected.");
    EXPECT_EQ(host.tips.back(),
              "No motion video was detected. Play your video then click Get Video again.\r\nOr click Mark Video to "
              "manually mark the video window.");
    EXPECT_EQ(marker.markingState(), 0);
}

}  // namespace
