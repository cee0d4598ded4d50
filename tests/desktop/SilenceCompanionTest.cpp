// The silence companion on the virtual desktop: started by the recorder's
// side, one per desktop, playing into the speakers and gone once no recorder
// window is left.
#include <QDir>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "DesktopWait.h"
#include "X11DesktopPlatform.h"
#include "audio/SilenceCompanion.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "platform/shell/linux/PosixLauncher.h"

namespace {

using talvora::test::waitFor;

// Playback streams of the sound server, one line each.
QString sinkInputs() {
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "sink-inputs"});
    pactl.waitForFinished(5000);
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
}

// What a window manager sends when the user closes a window.
void requestClose(platform::WindowId window) {
    platform::XcbConnection xcb;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = xcb.atom("WM_PROTOCOLS");
    event.data.data32[0] = xcb.atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(xcb.get(), 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    // A round trip, so the server has the event before this connection closes.
    std::free(xcb_get_input_focus_reply(xcb.get(), xcb_get_input_focus(xcb.get()), nullptr));
}

class SilenceCompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
        ASSERT_EQ(windows.find("Silence"), 0u) << "a companion of another test is still running";
        recorder = std::make_unique<QWidget>();
        recorder->setWindowTitle("Talvora");
        recorder->resize(200, 100);
        recorder->show();
        ASSERT_TRUE(waitFor([&] { return windows.find("Talvora") != 0; }));
    }
    void TearDown() override {
        for (auto& p : companions)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
    }

    QProcess& startCompanion() {
        auto& p = companions.emplace_back(std::make_unique<QProcess>());
        p->setWorkingDirectory(TALVORA_PROGRAM_DIR);
        p->start(QString(TALVORA_PROGRAM_DIR) + "/hushloop", {});
        EXPECT_TRUE(p->waitForStarted(5000));
        return *p;
    }

    bool endsWithin(QProcess& p, int timeout_ms) {
        return waitFor([&] { return p.state() == QProcess::NotRunning; }, timeout_ms);
    }

    platform::X11Windows windows;
    std::unique_ptr<QWidget> recorder;
    std::vector<std::unique_ptr<QProcess>> companions;
};

TEST_F(SilenceCompanionTest, SecondStartEndsAtOnceAndTheFirstPlaysIntoTheSpeakers) {
    QProcess& first = startCompanion();
    ASSERT_TRUE(waitFor([&] { return windows.find("Silence") != 0; }));
    EXPECT_TRUE(waitFor([] { return !sinkInputs().isEmpty(); }));

    QProcess& second = startCompanion();
    ASSERT_TRUE(endsWithin(second, 3000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(SilenceCompanionTest, EndsAboutASecondAfterTheRecorderWindowCloses) {
    QProcess& companion = startCompanion();
    ASSERT_TRUE(waitFor([&] { return windows.find("Silence") != 0; }));
    // Still there after several checks while the recorder lives.
    EXPECT_FALSE(endsWithin(companion, 2500));

    recorder.reset();
    // The next once-a-second check ends it.
    EXPECT_TRUE(endsWithin(companion, 1500));
    EXPECT_EQ(companion.exitCode(), 0);
    EXPECT_TRUE(waitFor([] { return sinkInputs().isEmpty(); }));
}

TEST_F(SilenceCompanionTest, EndsOnACloseRequest) {
    QProcess& companion = startCompanion();
    ASSERT_TRUE(waitFor([&] { return windows.find("Silence") != 0; }));
    requestClose(windows.find("Silence"));
    EXPECT_TRUE(endsWithin(companion, 1000));
    EXPECT_EQ(companion.exitCode(), 0);
}

TEST_F(SilenceCompanionTest, RecorderStartsItOnceFromTheProgramFolder) {
    talvora::test::X11DesktopPlatform fakes(TALVORA_PROGRAM_DIR);
    platform::PosixLauncher launcher;
    talvora::Platform services{fakes.messageBox, fakes.log,     fakes.pump,    fakes.process,
                               fakes.folders,    launcher,      fakes.registry, fakes.system,
                               fakes.windows,    fakes.messages, fakes.display, fakes.sound};
    talvora::AppContext ctx(services);
    ctx.settings.vistaAudio = 1;
    fakes.pump.onPump = [](int) { waitFor([] { return false; }, 200); };

    const QString before = QDir::currentPath();
    QDir::setCurrent(TALVORA_PROGRAM_DIR);
    EXPECT_TRUE(talvora::StartSilenceCompanion(ctx));
    EXPECT_TRUE(talvora::StartSilenceCompanion(ctx));  // found, not started again
    QDir::setCurrent(before);

    const platform::WindowId companion = windows.find("Silence");
    ASSERT_NE(companion, 0u);
    recorder.reset();
    EXPECT_TRUE(waitFor([&] { return !windows.exists(companion); }, 3000));
}

}  // namespace
