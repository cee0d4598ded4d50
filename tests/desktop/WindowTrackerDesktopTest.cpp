// The window tracker on a real X server with openbox: meeting windows are Qt
// top-level widgets of this process, moved and minimised from outside with
// xdotool; the expected frame rectangles come from Qt, not from our backend.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include "DesktopWait.h"
#include <xcb/xcb.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "../unit/targets/FakeTrackerHost.h"
#include "X11DesktopPlatform.h"
#include "app/SettingsStore.h"
#include "targets/WindowTracker.h"

namespace {

using talvora::test::waitFor;

using platform::Rect;
using platform::WindowId;


void xdotool(const QStringList& arguments) {
    EXPECT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

// A top-level Qt window as the window manager framed it.
class MeetingWidget {
public:
    MeetingWidget(const QString& title, int x, int y) {
        widget_.setWindowTitle(title);
        widget_.setGeometry(x, y, 640, 360);
        widget_.show();
        EXPECT_TRUE(waitFor([&] { return settled(); })) << title.toStdString();
    }

    WindowId id() const { return static_cast<WindowId>(widget_.winId()); }
    QString hex() const { return "0x" + QString::number(id(), 16); }
    // The frame rectangle as Qt learnt it from the window manager.
    Rect frame() const {
        const QRect r = widget_.frameGeometry();
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    // Mapped and framed: the frame is larger than the client.
    bool settled() const { return widget_.isVisible() && frame() != client() && windows_.isVisible(id()); }

private:
    Rect client() const {
        const QRect r = widget_.geometry();
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }

    QWidget widget_;
    mutable platform::X11Windows windows_;
};

class WindowTrackerDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
        ASSERT_TRUE(home.isValid());
        store.prepareDataFolder();
        ctx.settings.autoMark = 1;
        ctx.settings.monitor = 1;
    }

    Rect captureRect() const {
        const talvora::Settings& s = ctx.settings;
        return {s.xTop, s.yTop, s.xBottom, s.yBottom};
    }

    QTemporaryDir home;
    talvora::test::X11DesktopPlatform desktop{home.path().toStdString()};
    talvora::AppContext& ctx = desktop.ctx;
    platform::X11Windows& windows = desktop.windows;
    platform::X11Display& display = desktop.display;
    talvora::SettingsStore store{ctx};
    talvora::test::FakeTrackerHost host;
    talvora::WindowTracker tracker{ctx, store, host};
};

TEST_F(WindowTrackerDesktopTest, FollowsAZoomWindowUntilItIsMinimised) {
    MeetingWidget zoom("Zoom Meeting", 200, 150);
    tracker.TrackerTick();
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.zoomMode());
    EXPECT_EQ(captureRect(), zoom.frame());
    EXPECT_EQ(host.status(), "Zoom Meeting");

    const Rect before = zoom.frame();
    xdotool({"windowmove", "--sync", zoom.hex(), "420", "260"});
    ASSERT_TRUE(waitFor([&] { return zoom.frame() != before; }));
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), zoom.frame());
    EXPECT_NE(captureRect(), before);

    // The watcher forgets the window within a few polls of its minimising.
    tracker.watcher().start();
    xdotool({"windowminimize", "--sync", zoom.hex()});
    EXPECT_TRUE(waitFor([&] { return tracker.tracked().handle() == 0; }, 2000));
    tracker.watcher().stopAll();
    tracker.watcher().join();

    tracker.TrackerTick();
    EXPECT_FALSE(tracker.zoomMode());
    EXPECT_EQ(captureRect(), (Rect{10, 10, display.screenWidth() - 10, display.screenHeight() - 10}));
    EXPECT_EQ(host.status(), "Google Meeting / Zoom windows not detected");
}

TEST_F(WindowTrackerDesktopTest, TracksAGoogleMeetWindowWhenNoZoomWindowExists) {
    MeetingWidget meet("Meet - abc-defg-hij - Google Chrome", 100, 120);
    tracker.TrackerTick();
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(tracker.tracked().handle(), meet.id());
    EXPECT_EQ(captureRect(), meet.frame());
    EXPECT_EQ(host.status(), "Google Meeting");
}

// Firefox joins the tab's title to its own name with an em dash, which must
// come through the window's UTF-8 title for the meeting to be found.
TEST_F(WindowTrackerDesktopTest, FollowsMeetInFirefoxAndNamesTheRecordingAfterIt) {
    MeetingWidget meet("Meet - abc-defg-hij \u2014 Mozilla Firefox", 100, 120);
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(tracker.tracked().handle(), meet.id());
    EXPECT_EQ(captureRect(), meet.frame());
    EXPECT_EQ(host.status(), "Google Meeting");

    const Rect before = meet.frame();
    xdotool({"windowmove", "--sync", meet.hex(), "380", "240"});
    ASSERT_TRUE(waitFor([&] { return meet.frame() != before; }));
    tracker.TrackerTick();
    EXPECT_EQ(captureRect(), meet.frame());

    ctx.settings.recordingFolder = home.path().toStdString();
    ASSERT_TRUE(tracker.MakeRecordingFileName());
    EXPECT_EQ(tracker.recordingFileName().rfind("Google Meeting_", 0), 0u) << tracker.recordingFileName();
}

// An InputOnly window has no pixels to capture: it is the one style the
// Google Meet rule refuses, and the search ends at it while it lies on top.
TEST_F(WindowTrackerDesktopTest, AnInputOnlyMeetWindowIsRefused) {
    MeetingWidget meet("Meet - abc-defg-hij - Google Chrome", 100, 120);
    EXPECT_EQ(windows.extendedStyle(meet.id()), 0u);

    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c(xcb_connect(nullptr, nullptr), xcb_disconnect);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data;
    const xcb_window_t inputOnly = xcb_generate_id(c.get());
    const uint32_t overrideRedirect = 1;  // a top-level the window manager leaves alone, above the rest
    xcb_create_window(c.get(), 0, inputOnly, screen->root, 50, 50, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    const char* title = "Meet - input only - Google Chrome";
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, inputOnly, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(title)), title);
    xcb_map_window(c.get(), inputOnly);
    xcb_flush(c.get());
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(inputOnly) && windows.topLevel().front() == inputOnly; }));
    EXPECT_EQ(windows.extendedStyle(inputOnly), platform::WS_EX_NOREDIRECTIONBITMAP);

    tracker.TrackerTick();
    EXPECT_FALSE(tracker.googleMode());
    EXPECT_EQ(host.status(), "Google Meeting / Zoom windows not detected");

    xcb_destroy_window(c.get(), inputOnly);
    xcb_flush(c.get());
    ASSERT_TRUE(waitFor([&] { return !windows.exists(inputOnly); }));
    tracker.TrackerTick();
    EXPECT_TRUE(tracker.googleMode());
    EXPECT_EQ(captureRect(), meet.frame());
}

}  // namespace
