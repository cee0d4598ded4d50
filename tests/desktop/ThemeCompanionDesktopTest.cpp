// The composition companion on the virtual desktop, with xcompmgr as the
// compositing manager: what it reports, how long it lives, and that the
// recorder's side replaces a running companion.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "DesktopWait.h"
#include "X11DesktopPlatform.h"
#include "app/SettingsStore.h"
#include "platform/shell/linux/PosixLauncher.h"
#include "ui/ThemeCompanion.h"
#include "platform/composition/linux/X11Composition.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "platform/desktop/linux/X11Windows.h"

namespace {

using talvora::test::waitFor;

class ThemeCompanionDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
        ASSERT_EQ(windows.find("Glassoff"), 0u) << "a companion of another test is still running";
        ASSERT_FALSE(composition.isEnabled()) << "a compositor of another test is still running";
    }
    void TearDown() override {
        for (auto& p : processes)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
    }

    QProcess& start(const QString& program, const QStringList& arguments) {
        auto& p = processes.emplace_back(std::make_unique<QProcess>());
        p->setWorkingDirectory(TALVORA_PROGRAM_DIR);
        p->start(program, arguments);
        EXPECT_TRUE(p->waitForStarted(5000));
        return *p;
    }
    QProcess& startCompositor() {
        QProcess& p = start("xcompmgr", {});
        EXPECT_TRUE(waitFor([&] { return composition.isEnabled(); }));
        return p;
    }
    QProcess& startCompanion(const QStringList& arguments) {
        return start(QString(TALVORA_PROGRAM_DIR) + "/themeflip", arguments);
    }
    // A recorder frame titled "Talvora" that notes every "screen capture message".
    void showCaller() {
        caller = std::make_unique<QWidget>();
        caller->setWindowTitle("Talvora");
        caller->resize(200, 100);
        caller->show();
        ASSERT_TRUE(waitFor([&] { return windows.find("Talvora") != 0; }));
        const platform::MessageId id = messages.registerMessage("screen capture message");
        messages.listen(static_cast<platform::WindowId>(caller->winId()),
                        [this, id](platform::MessageId m, std::intptr_t wParam, std::intptr_t lParam) {
                            if (m == id && wParam == 1) notifications.push_back(lParam);
                        });
    }
    bool endsWithin(QProcess& p, int timeout_ms) {
        return waitFor([&] { return p.state() == QProcess::NotRunning; }, timeout_ms);
    }

    platform::FakeLog log;
    platform::X11Composition composition{log};
    platform::X11Windows windows;
    platform::X11WindowMessages messages;
    std::unique_ptr<QWidget> caller;
    std::vector<std::intptr_t> notifications;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ThemeCompanionDesktopTest, TestModeReportsThreeWhileACompositorRuns) {
    startCompositor();
    showCaller();
    QProcess& companion = startCompanion({"-w", "Talvora", "-enab", "1"});
    ASSERT_TRUE(endsWithin(companion, 3000));
    EXPECT_EQ(companion.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !notifications.empty(); }, 1000));
    EXPECT_EQ(notifications, std::vector<std::intptr_t>{3});
}

TEST_F(ThemeCompanionDesktopTest, TestModeReportsTwoThenOneWithoutCompositor) {
    showCaller();
    QProcess& companion = startCompanion({"-w", "Talvora", "-enab", "1"});
    ASSERT_TRUE(waitFor([&] { return notifications.size() == 1; }, 3000));
    EXPECT_EQ(notifications, std::vector<std::intptr_t>{2});
    // The question is open: answer No as the user would.
    ASSERT_TRUE(waitFor([&] { return windows.find("Vexa Recorder Message") != 0; }));
    const QString box = QString::number(windows.find("Vexa Recorder Message"));
    QProcess::execute("xdotool", {"windowactivate", "--sync", box});
    QProcess::execute("xdotool", {"key", "--window", box, "Escape"});
    ASSERT_TRUE(endsWithin(companion, 3000));
    EXPECT_TRUE(waitFor([&] { return notifications.size() == 2; }, 1000));
    EXPECT_EQ(notifications, (std::vector<std::intptr_t>{2, 1}));
}

TEST_F(ThemeCompanionDesktopTest, WithoutItsCallerItEndsAboutASecondLater) {
    QProcess& companion = startCompanion({"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    EXPECT_TRUE(endsWithin(companion, 2000));
    EXPECT_EQ(companion.exitCode(), 0);
}

TEST_F(ThemeCompanionDesktopTest, LivesAsLongAsItsCallerAndLeavesTheCompositorAlone) {
    startCompositor();
    showCaller();
    QProcess& companion = startCompanion({"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    EXPECT_FALSE(endsWithin(companion, 2500));
    // xcompmgr has no switch: it keeps compositing, and the companion says why.
    EXPECT_TRUE(composition.isEnabled());
    EXPECT_NE(companion.readAllStandardError().indexOf("offers no documented way to switch it off"), -1);

    caller.reset();
    EXPECT_TRUE(endsWithin(companion, 1500));
    EXPECT_TRUE(notifications.empty());
}

// Stands in for a KWin session: a window manager check window named "KWin",
// an owner of the compositing selection, and a `dbus-send` on PATH that notes
// its calls. Openbox's check window comes back at the end.
class KWinStandIn {
public:
    KWinStandIn() {
        const xcb_window_t root = xcb.root();
        const auto previous = xcb.cardinals(root, xcb.atom("_NET_SUPPORTING_WM_CHECK"));
        previousCheck = previous.empty() ? xcb_window_t{XCB_WINDOW_NONE} : previous.front();
        check = newWindow();
        const std::string name = "KWin";
        xcb_change_property(xcb.get(), XCB_PROP_MODE_REPLACE, check, xcb.atom("_NET_WM_NAME"),
                            xcb.atom("UTF8_STRING"), 8, name.size(), name.data());
        setCheck(check);
        owner = newWindow();
        xcb_set_selection_owner(xcb.get(), owner, xcb.atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        sync();
        QFile script(bin.filePath("dbus-send"));
        script.open(QIODevice::WriteOnly);
        script.write(("#!/bin/sh\necho \"$5\" >> " + calls() + "\n").toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    ~KWinStandIn() {
        setCheck(previousCheck);
        xcb_destroy_window(xcb.get(), owner);
        xcb_destroy_window(xcb.get(), check);
        sync();
    }
    QString path() const { return bin.path() + ":" + qEnvironmentVariable("PATH"); }
    QString calls() const { return bin.filePath("calls"); }
    QStringList called() const {
        QFile f(calls());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    xcb_window_t newWindow() {
        const xcb_window_t w = xcb_generate_id(xcb.get());
        xcb_create_window(xcb.get(), XCB_COPY_FROM_PARENT, w, xcb.root(), -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        return w;
    }
    void setCheck(xcb_window_t w) {
        xcb_change_property(xcb.get(), XCB_PROP_MODE_REPLACE, xcb.root(), xcb.atom("_NET_SUPPORTING_WM_CHECK"),
                            XCB_ATOM_WINDOW, 32, 1, &w);
    }
    void sync() { std::free(xcb_get_input_focus_reply(xcb.get(), xcb_get_input_focus(xcb.get()), nullptr)); }

    platform::XcbConnection xcb;
    QTemporaryDir bin;
    xcb_window_t previousCheck = XCB_WINDOW_NONE;
    xcb_window_t check = XCB_WINDOW_NONE;
    xcb_window_t owner = XCB_WINDOW_NONE;
};

TEST_F(ThemeCompanionDesktopTest, UnderKWinCompositingIsSuspendedForTheCallersLifetime) {
    KWinStandIn kwin;
    ASSERT_TRUE(composition.isEnabled());
    showCaller();
    auto& companion = *processes.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", kwin.path());
    companion.setProcessEnvironment(env);
    companion.start(QString(TALVORA_PROGRAM_DIR) + "/themeflip", {"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return kwin.called().size() == 1; }, 3000))
        << companion.readAllStandardError().toStdString();
    EXPECT_EQ(kwin.called(), QStringList{"org.kde.kwin.Compositing.suspend"});
    EXPECT_FALSE(endsWithin(companion, 1500));

    caller.reset();
    EXPECT_TRUE(endsWithin(companion, 1500));
    EXPECT_EQ(kwin.called(),
              (QStringList{"org.kde.kwin.Compositing.suspend", "org.kde.kwin.Compositing.resume"}));

    // Killed politely (logout, SIGTERM): compositing comes back too.
    showCaller();
    auto& second = *processes.emplace_back(std::make_unique<QProcess>());
    second.setProcessEnvironment(env);
    second.start(QString(TALVORA_PROGRAM_DIR) + "/themeflip", {"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return kwin.called().size() == 3; }, 3000));
    second.terminate();
    EXPECT_TRUE(endsWithin(second, 1000));
    EXPECT_EQ(kwin.called().value(3), "org.kde.kwin.Compositing.resume");
}

TEST_F(ThemeCompanionDesktopTest, EndsOnTerminationAndOnACloseRequest) {
    showCaller();
    QProcess& first = startCompanion({"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    first.terminate();
    EXPECT_TRUE(endsWithin(first, 1000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    QProcess& second = startCompanion({"-w", "Talvora"});
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    messages.post(windows.find("Glassoff"), messages.registerMessage("WM_CLOSE"), 0, 0);
    EXPECT_TRUE(endsWithin(second, 1000));
    EXPECT_EQ(second.exitCode(), 0);
}

TEST_F(ThemeCompanionDesktopTest, BadCommandLinesEndAtOnce) {
    const std::vector<QStringList> cases = {
        {"-enab", "0"}, {"-w", "talvora"}, {"-w"}, {"-w", ""}, {"-w", QString(10000, 'T')},
        {"-w", QString::fromLatin1("Talv\xff\xfe")}};
    for (const QStringList& arguments : cases) {
        QProcess& companion = startCompanion(arguments);
        EXPECT_TRUE(endsWithin(companion, 3000));
        EXPECT_EQ(companion.exitCode(), 0);
    }
    EXPECT_EQ(windows.find("Glassoff"), 0u);
}

TEST_F(ThemeCompanionDesktopTest, RecorderSideClosesTheRunningCompanionBeforeStartingItsOwn) {
    showCaller();
    talvora::test::X11DesktopPlatform fakes(TALVORA_PROGRAM_DIR);
    platform::PosixLauncher launcher;
    talvora::Platform services{fakes.messageBox, fakes.log,      fakes.pump,     fakes.process,
                               fakes.folders,    launcher,       fakes.registry, fakes.system,
                               fakes.windows,    messages,       fakes.display,  fakes.sound};
    talvora::AppContext ctx(services);
    talvora::SettingsStore store(ctx);
    ctx.environment.notWindows7 = false;  // as on Windows 7, where it is started
    fakes.pump.onPump = [](int duration_ms) { waitFor([] { return false; }, duration_ms); };

    const QString before = QDir::currentPath();
    QDir::setCurrent(TALVORA_PROGRAM_DIR);
    EXPECT_TRUE(talvora::StartThemeCompanion(ctx, store));
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    const platform::WindowId first = windows.find("Glassoff");
    EXPECT_TRUE(talvora::StartThemeCompanion(ctx, store));
    QDir::setCurrent(before);
    EXPECT_FALSE(windows.exists(first));  // gone before the second was started
    ASSERT_TRUE(waitFor([&] { return windows.find("Glassoff") != 0; }, 3000));
    // X may hand the new companion the same window id: the first one's end
    // above is what shows the order.
    const platform::WindowId second = windows.find("Glassoff");
    EXPECT_TRUE(fakes.messageBox.shown().empty());

    caller.reset();
    EXPECT_TRUE(waitFor([&] { return !windows.exists(second); }, 2500));
}

}  // namespace
