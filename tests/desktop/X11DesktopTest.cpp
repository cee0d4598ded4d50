// The X11 backends against a real X server with a window manager (run under
// scripts/virtual-desktop). Other processes' windows are xmessage peers; the
// expected geometry comes from xwininfo, xdpyinfo and xprop, not from our code.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <gmock/gmock.h>
#include <xcb/xcb.h>

#include "DesktopWait.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "X11DesktopPlatform.h"
#include "app/DisplayScales.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/X11Windows.h"

namespace platform {
// Readable failures, and equality for the monitor lists.
static void PrintTo(const Rect& r, std::ostream* out) {
    *out << '{' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << '}';
}
static void PrintTo(const Monitor& m, std::ostream* out) {
    PrintTo(m.monitor, out);
    *out << " work ";
    PrintTo(m.work, out);
}
static bool operator==(const Monitor& a, const Monitor& b) { return a.monitor == b.monitor && a.work == b.work; }
}  // namespace platform

namespace {

using talvora::test::settled;
using talvora::test::waitFor;

using platform::Monitor;
using platform::Rect;
using platform::WindowId;
using ::testing::ElementsAreArray;


// Runs a tool and returns its standard output; a failing tool fails the test.
std::string runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << ' ' << arguments.join(' ').toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

QString hex(WindowId window) { return "0x" + QString::number(window, 16); }

// The text after "key:" in a tool's output, e.g. "Width: 320".
std::string field(const std::string& text, const std::string& key) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(key + R"(:\s*(\S+))"))) return {};
    return match[1];
}

int number(const std::string& text, const std::string& key) { return std::stoi(field(text, key), nullptr, 0); }

// The window manager's frame around a client: its ancestor that is a child of the root.
WindowId frameOf(WindowId client) {
    WindowId window = client;
    for (int depth = 0; depth < 5; ++depth) {
        const std::string tree = runTool("xwininfo", {"-children", "-id", hex(window)});
        const auto parent = static_cast<WindowId>(std::stoul(field(tree, "Parent window id"), nullptr, 16));
        if (parent == std::stoul(field(tree, "Root window id"), nullptr, 16)) break;
        window = parent;
    }
    return window;
}

// The frame's outer rectangle as xwininfo reports it.
Rect frameRectOf(WindowId client) {
    const std::string info = runTool("xwininfo", {"-id", hex(frameOf(client))});
    const int x = number(info, "Absolute upper-left X");
    const int y = number(info, "Absolute upper-left Y");
    const int border = number(info, "Border width");
    return {x - border, y - border, x + number(info, "Width") + border, y + number(info, "Height") + border};
}

// A top-level window of another process: xmessage, titled through WM_NAME only.
class PeerWindow {
public:
    PeerWindow(const std::string& title, int x, int y) {
        process_.start("xmessage", {"-title", QString::fromStdString(title), "-geometry",
                                    QString("320x120+%1+%2").arg(x).arg(y), "peer window"});
        waitFor([&] {
            id_ = windows_.find(title);
            return id_ != 0 && windows_.isVisible(id_);
        });
    }
    ~PeerWindow() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    PeerWindow(const PeerWindow&) = delete;
    PeerWindow& operator=(const PeerWindow&) = delete;

    WindowId id() const { return id_; }

private:
    platform::X11Windows windows_;
    QProcess process_;
    WindowId id_ = 0;
};

// Splits the screen into two RandR monitors side by side for as long as it
// lives. The left one takes over the screen's output, so that the output's
// own monitor gives way and exactly these two remain, in this order.
class TwoMonitors {
public:
    TwoMonitors() {
        std::smatch output;
        const std::string outputs = runTool("xrandr", {"--query"});
        std::regex_search(outputs, output, std::regex(R"((\S+) connected)"));
        runTool("xrandr", {"--setmonitor", "talvora-left", "960/254x1080/286+0+0", QString::fromStdString(output[1])});
        runTool("xrandr", {"--setmonitor", "talvora-right", "960/254x1080/286+960+0", "none"});
    }
    ~TwoMonitors() {
        QProcess::execute("xrandr", {"--delmonitor", "talvora-left"});
        QProcess::execute("xrandr", {"--delmonitor", "talvora-right"});
    }
    TwoMonitors(const TwoMonitors&) = delete;
    TwoMonitors& operator=(const TwoMonitors&) = delete;
};

// Qt writes its requests out only when X events wake it up; without this a
// window created or destroyed while no event comes stays unseen by others.
void flushQt() {
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) xcb_flush(x11->connection());
}

// A Qt top-level widget that gets its X window without being shown.
std::unique_ptr<QWidget> hiddenWidget(const QString& title) {
    auto widget = std::make_unique<QWidget>();
    widget->setWindowTitle(title);
    widget->winId();
    flushQt();
    return widget;
}

void destroyWidget(std::unique_ptr<QWidget>& widget) {
    widget.reset();
    flushQt();
}

// Makes the window manager look dead for as long as it lives, as after a
// crash: the root's _NET_SUPPORTING_WM_CHECK names a window that is gone and
// its stacking list stays behind. The window manager itself runs on.
class DeadWindowManager {
public:
    DeadWindowManager() : c_(xcb_connect(nullptr, nullptr), xcb_disconnect) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data->root;
        const std::string name = "_NET_SUPPORTING_WM_CHECK";
        const auto cookie = xcb_intern_atom(c_.get(), 0, static_cast<std::uint16_t>(name.size()), name.data());
        platform::XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(c_.get(), cookie, nullptr));
        check_ = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        platform::XcbReply<xcb_get_property_reply_t> value(xcb_get_property_reply(
            c_.get(), xcb_get_property(c_.get(), 0, root_, check_, XCB_ATOM_WINDOW, 0, 1), nullptr));
        if (value && xcb_get_property_value_length(value.get()) == 4)
            std::memcpy(&live_, xcb_get_property_value(value.get()), 4);
        const xcb_window_t gone = xcb_generate_id(c_.get());
        xcb_create_window(c_.get(), 0, gone, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                          0, nullptr);
        xcb_destroy_window(c_.get(), gone);
        point(gone);
    }
    ~DeadWindowManager() { point(live_); }
    DeadWindowManager(const DeadWindowManager&) = delete;
    DeadWindowManager& operator=(const DeadWindowManager&) = delete;

    bool ok() const { return check_ != XCB_ATOM_NONE && live_ != XCB_WINDOW_NONE; }

private:
    // Waits until the server has it, so that other connections see it.
    void point(xcb_window_t window) {
        xcb_change_property(c_.get(), XCB_PROP_MODE_REPLACE, root_, check_, XCB_ATOM_WINDOW, 32, 1, &window);
        platform::XcbReply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(c_.get(), xcb_get_input_focus(c_.get()), nullptr));
    }

    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t check_ = XCB_ATOM_NONE;
    xcb_window_t live_ = XCB_WINDOW_NONE;
};

class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
    }

    std::ptrdiff_t positionOf(WindowId window) {
        const auto all = windows.topLevel();
        return std::find(all.begin(), all.end(), window) - all.begin();
    }

    platform::X11Windows windows;
};

TEST_F(X11DesktopTest, HiddenWidgetIsFoundByTitleAndGoneOnceDestroyed) {
    auto widget = hiddenWidget("Talvora");
    const auto id = static_cast<WindowId>(widget->winId());

    ASSERT_TRUE(waitFor([&] { return windows.find("Talvora") == id; }));
    EXPECT_TRUE(windows.exists(id));
    EXPECT_FALSE(windows.isVisible(id));
    EXPECT_FALSE(windows.isMinimized(id));
    EXPECT_EQ(windows.title(id), "Talvora");

    // _NET_WM_NAME is UTF-8 and is preferred to WM_NAME.
    widget->setWindowTitle(QString::fromUtf8("Talvora – Größe"));
    flushQt();
    EXPECT_TRUE(waitFor([&] { return windows.title(id) == "Talvora – Größe"; })) << windows.title(id);

    destroyWidget(widget);
    ASSERT_TRUE(waitFor([&] { return !windows.exists(id); }));
    EXPECT_EQ(windows.find("Talvora – Größe"), 0u);
    EXPECT_EQ(windows.title(id), "");
    EXPECT_FALSE(windows.isVisible(id));
    EXPECT_EQ(windows.rect(id), Rect{});
}

TEST_F(X11DesktopTest, PeerWindowHasItsFrameRectAndFollowsMinimiseAndRestore) {
    PeerWindow peer("Talvora Peer", 300, 200);
    ASSERT_NE(peer.id(), 0u) << "xmessage window not found by its WM_NAME";
    EXPECT_EQ(windows.title(peer.id()), "Talvora Peer");
    EXPECT_TRUE(windows.isVisible(peer.id()));
    EXPECT_FALSE(windows.isMinimized(peer.id()));

    const Rect frame = frameRectOf(peer.id());
    EXPECT_EQ(windows.rect(peer.id()), frame);
    // The frame is more than the client: a title bar at least.
    EXPECT_GT(frame.height(), 120);

    runTool("xdotool", {"windowminimize", "--sync", hex(peer.id())});
    ASSERT_TRUE(waitFor([&] { return windows.isMinimized(peer.id()); }));
    EXPECT_FALSE(windows.isVisible(peer.id()));
    EXPECT_TRUE(windows.exists(peer.id()));

    runTool("xdotool", {"windowactivate", "--sync", hex(peer.id())});
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(peer.id()) && !windows.isMinimized(peer.id()); }));
}

TEST_F(X11DesktopTest, RestoredWindowComesBackInPlaceAndNotTopmost) {
    QWidget converter(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    converter.setWindowTitle("VXC");
    converter.setGeometry(300, 200, 320, 120);
    converter.show();
    const WindowId id = static_cast<WindowId>(converter.winId());
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(id) && (windows.extendedStyle(id) & platform::WS_EX_TOPMOST) != 0; }));
    const Rect before = settled([&] { return windows.rect(id); });
    runTool("xdotool", {"windowminimize", "--sync", hex(id)});
    ASSERT_TRUE(waitFor([&] { return windows.isMinimized(id); }));

    windows.restoreBelowTopmost(id);
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(id) && !windows.isMinimized(id); }));
    EXPECT_TRUE(waitFor([&] { return (windows.extendedStyle(id) & platform::WS_EX_TOPMOST) == 0; }));
    EXPECT_EQ(settled([&] { return windows.rect(id); }), before);
}

TEST_F(X11DesktopTest, TopLevelFollowsTheStackingWithHiddenWindowsLast) {
    PeerWindow first("Talvora First", 100, 100);
    PeerWindow second("Talvora Second", 200, 150);
    auto hidden = hiddenWidget("Talvora Hidden");
    const auto hiddenId = static_cast<WindowId>(hidden->winId());
    ASSERT_NE(first.id(), 0u);
    ASSERT_NE(second.id(), 0u);

    runTool("xdotool", {"windowactivate", "--sync", hex(first.id())});
    EXPECT_TRUE(waitFor([&] { return positionOf(first.id()) < positionOf(second.id()); }));
    runTool("xdotool", {"windowactivate", "--sync", hex(second.id())});
    EXPECT_TRUE(waitFor([&] { return positionOf(second.id()) < positionOf(first.id()); }));

    // A window the window manager leaves alone (override-redirect, as menus
    // and tooltips are) lies above its clients and is listed so.
    QWidget popup(nullptr, Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    popup.setGeometry(400, 300, 200, 100);
    popup.show();
    flushQt();
    const auto popupId = static_cast<WindowId>(popup.winId());
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(popupId); }));
    EXPECT_LT(positionOf(popupId), positionOf(second.id()));

    // Windows not on screen come after all that are, however high they lie.
    ASSERT_TRUE(waitFor([&] { return windows.find("Talvora Hidden") == hiddenId; }));
    EXPECT_GT(positionOf(hiddenId), positionOf(first.id()));
    // Each client once, and never the frame around it.
    const WindowId frame = frameOf(first.id());
    ASSERT_NE(frame, first.id());
    const auto all = windows.topLevel();
    EXPECT_EQ(std::count(all.begin(), all.end(), first.id()), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), frame), 0);
}

// Without a live window manager its stale list is ignored and the clients
// are looked for inside the root's children, in their stacking order.
TEST_F(X11DesktopTest, ClientsAreFoundInTheirFramesWhenTheWindowManagerLooksDead) {
    PeerWindow first("Talvora First", 100, 100);
    PeerWindow second("Talvora Second", 200, 150);
    auto hidden = hiddenWidget("Talvora Hidden");
    ASSERT_NE(first.id(), 0u);
    ASSERT_NE(second.id(), 0u);
    runTool("xdotool", {"windowactivate", "--sync", hex(second.id())});
    ASSERT_TRUE(waitFor([&] { return positionOf(second.id()) < positionOf(first.id()); }));

    DeadWindowManager dead;
    ASSERT_TRUE(dead.ok());
    const auto all = windows.topLevel();
    EXPECT_EQ(std::count(all.begin(), all.end(), first.id()), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), frameOf(first.id())), 0);
    EXPECT_LT(positionOf(second.id()), positionOf(first.id()));
    EXPECT_EQ(windows.find("Talvora Hidden"), static_cast<WindowId>(hidden->winId()));
}

struct Received {
    platform::MessageId message = 0;
    std::intptr_t wParam = 0;
    std::intptr_t lParam = 0;
    int count = 0;
};

platform::WindowMessages::Handler recorder(Received& into) {
    return [&into](platform::MessageId message, std::intptr_t wParam, std::intptr_t lParam) {
        into = {message, wParam, lParam, into.count + 1};
    };
}

TEST_F(X11DesktopTest, MessagePostedByAnotherProcessReachesTheListener) {
    platform::X11WindowMessages messages;
    const platform::MessageId id = messages.registerMessage("Replicast message");
    ASSERT_NE(id, 0u);
    auto receiver = hiddenWidget("Talvora Receiver");
    const auto window = static_cast<WindowId>(receiver->winId());
    Received received;
    messages.listen(window, recorder(received));

    // The second process registers the name on its own: the same number.
    const int exitCode = QProcess::execute(QCoreApplication::applicationFilePath(),
                                           {"--post-message", hex(window), "Replicast message", "777", "-5"});
    ASSERT_EQ(exitCode, 0);

    ASSERT_TRUE(waitFor([&] { return received.count > 0; }));
    EXPECT_EQ(received.count, 1);
    EXPECT_EQ(received.message, id);
    EXPECT_EQ(received.wParam, 777);
    EXPECT_EQ(received.lParam, -5);
}

TEST_F(X11DesktopTest, MessagesGoToTheHandlerOfTheirWindowUntilItIsRemoved) {
    platform::X11WindowMessages messages;
    const platform::MessageId stop = messages.registerMessage("WM_RECORD_STOP_STR");
    const platform::MessageId pause = messages.registerMessage("WM_RECORD_PAUSE_STR");
    EXPECT_NE(stop, pause);
    EXPECT_EQ(messages.registerMessage("WM_RECORD_STOP_STR"), stop);
    EXPECT_EQ(messages.registerMessage(""), 0u);

    auto a = hiddenWidget("Talvora A");
    auto b = hiddenWidget("Talvora B");
    const auto idA = static_cast<WindowId>(a->winId());
    const auto idB = static_cast<WindowId>(b->winId());
    Received toA;
    Received toB;
    messages.listen(idA, recorder(toA));
    messages.listen(idB, recorder(toB));

    ASSERT_TRUE(messages.post(idB, pause, 1, 2));
    ASSERT_TRUE(waitFor([&] { return toB.count == 1; }));
    EXPECT_EQ(toB.message, pause);
    EXPECT_EQ(toA.count, 0);

    // An empty handler stops delivery; Qt then sees the message and ignores it.
    messages.listen(idA, {});
    ASSERT_TRUE(messages.post(idA, stop, 0, 0));
    ASSERT_TRUE(messages.post(idB, stop, 3, 4));
    ASSERT_TRUE(waitFor([&] { return toB.count == 2; }));
    EXPECT_EQ(toA.count, 0);

    // Posting to no window, or to one that is gone, fails.
    EXPECT_FALSE(messages.post(0, stop, 0, 0));
    destroyWidget(a);
    ASSERT_TRUE(waitFor([&] { return !windows.exists(idA); }));
    EXPECT_FALSE(messages.post(idA, stop, 0, 0));
}

class X11DisplayTest : public X11DesktopTest {
protected:
    platform::X11Display display;
};

TEST_F(X11DisplayTest, ScreenSizeAndDpiAreTheServers) {
    const std::string info = runTool("xdpyinfo", {});
    std::smatch size;
    ASSERT_TRUE(std::regex_search(info, size, std::regex(R"(dimensions:\s*(\d+)x(\d+) pixels)")));
    std::smatch dpi;
    ASSERT_TRUE(std::regex_search(info, dpi, std::regex(R"(resolution:\s*\d+x(\d+) dots per inch)")));

    EXPECT_EQ(display.screenWidth(), std::stoi(size[1]));
    EXPECT_EQ(display.screenHeight(), std::stoi(size[2]));
    EXPECT_EQ(display.desktopRect(), (Rect{0, 0, std::stoi(size[1]), std::stoi(size[2])}));
    EXPECT_EQ(display.verticalDpi(), std::stoi(dpi[1]));
}

TEST_F(X11DisplayTest, TwoRandrMonitorsEachWithItsPartOfTheWorkArea) {
    // A dock-like strut of 40 pixels at the bottom shrinks the work area.
    PeerWindow panel("Talvora Panel", 0, 0);
    ASSERT_NE(panel.id(), 0u);
    runTool("xprop", {"-id", hex(panel.id()), "-f", "_NET_WM_STRUT", "32c", "-set", "_NET_WM_STRUT", "0,0,0,40"});
    ASSERT_TRUE(waitFor([&] { return display.workArea() == Rect{0, 0, 1920, 1040}; }))
        << runTool("xprop", {"-root", "_NET_WORKAREA"});

    const std::vector<Monitor> split{{{0, 0, 960, 1080}, {0, 0, 960, 1040}},
                                     {{960, 0, 1920, 1080}, {960, 0, 1920, 1040}}};
    const std::vector<Monitor> whole{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    {
        TwoMonitors twoMonitors;
        // The window manager redoes the work area after each change; for a
        // moment it covers the left half only.
        waitFor([&] { return display.monitors() == split; });
        EXPECT_THAT(display.monitors(), ElementsAreArray(split));
    }
    waitFor([&] { return display.monitors() == whole; });
    EXPECT_THAT(display.monitors(), ElementsAreArray(whole));
}

// Two monitors side by side: the primary screen is the monitor at the origin
// (Xvfb names no primary output), or the one of the primary output.
TEST_F(X11DisplayTest, TwoRandrMonitorsThePrimaryScreenIsOneMonitor) {
    QTemporaryDir home;
    talvora::test::X11DesktopPlatform desktop(home.path().toStdString());
    talvora::SettingsStore store(desktop.ctx);
    store.prepareDataFolder();
    talvora::AppContext& ctx = desktop.ctx;
    {
        TwoMonitors twoMonitors;
        ASSERT_TRUE(waitFor([&] { return display.monitors().size() == 2; }));
        EXPECT_EQ(display.desktopRect(), (Rect{0, 0, 960, 1080}));
        EXPECT_EQ(display.screenWidth(), 960);
        EXPECT_EQ(display.screenHeight(), 1080);

        ctx.settings.monitor = 0;
        talvora::DetectMonitors(ctx, store);
        EXPECT_EQ(ctx.environment.monitorCount, 2);
        EXPECT_EQ(ctx.environment.mainMonitorRect, (Rect{0, 0, 960, 1080}));
        EXPECT_EQ(ctx.environment.otherMonitorRect, (Rect{960, 0, 1920, 1080}));
        EXPECT_EQ(ctx.settings.monitor, 1);
        // The launcher's physical width of the main display gives 100 %.
        EXPECT_EQ(talvora::DisplayScales::compute(display.screenWidth(), 960, 0, 960, 960).mainScale, 100);

        // The right monitor takes the output and is made primary ("*").
        const std::string outputs = runTool("xrandr", {"--query"});
        std::smatch output;
        ASSERT_TRUE(std::regex_search(outputs, output, std::regex(R"((\S+) connected)")));
        const QString name = QString::fromStdString(output[1]);
        runTool("xrandr", {"--delmonitor", "talvora-left"});
        runTool("xrandr", {"--delmonitor", "talvora-right"});
        runTool("xrandr", {"--setmonitor", "*talvora-right", "960/254x1080/286+960+0", name});
        runTool("xrandr", {"--setmonitor", "talvora-left", "960/254x1080/286+0+0", "none"});
        ASSERT_TRUE(waitFor([&] { return display.desktopRect() == Rect{960, 0, 1920, 1080}; }))
            << runTool("xrandr", {"--listmonitors"});
        talvora::DetectMonitors(ctx, store);
        EXPECT_EQ(ctx.environment.mainMonitorRect, (Rect{960, 0, 1920, 1080}));
        EXPECT_EQ(ctx.environment.otherMonitorRect, (Rect{0, 0, 960, 1080}));
        runTool("xrandr", {"--output", name, "--noprimary"});
    }
    waitFor([&] { return display.monitors().size() == 1; });
    EXPECT_EQ(display.desktopRect(), (Rect{0, 0, 1920, 1080}));
}

}  // namespace
