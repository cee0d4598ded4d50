// The recorder program in a Wayland session, driven as a user drives it: its
// hotkey reaches it through XWayland, its pictures come through the
// desktop's portal.
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "FakeScreenCastPortal.h"
#include "PipeWireVideoSource.h"
#include "PrivateSessionBus.h"
#include "tests/desktop/FreshInstallation.h"
#include "tests/desktop/RecorderProcessTest.h"

namespace talvora {
namespace {

using test::waitFor;

// A picture is checked scaled down to this many pixels.
constexpr int kSmallWidth = 8;
constexpr int kSmallHeight = 4;

class WaylandRecordingTest : public test::RecorderProcessTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) GTEST_SKIP() << "needs scripts/virtual-desktop --wayland";
        test::RecorderProcessTest::SetUp();
    }
    void TearDown() override {
        terminal.kill();
        terminal.waitForFinished(3000);
        test::RecorderProcessTest::TearDown();
    }

    // A native Wayland window over the whole output, green but for a counter
    // in its first line that keeps the screen changing (the desktop sends
    // pictures only then).
    void showGreenTerminal() {
        terminal.start("foot", {"--fullscreen", "-o", "colors.background=00ff00", "sh", "-c",
                                "while sleep 0.1; do printf '\\r%s' $(date +%N); done"});
        ASSERT_TRUE(terminal.waitForStarted()) << "foot does not start";
    }

    // The recorder window shown and its start-up boxes answered: the one
    // titled "Talvora" that is not the 1 x 1 frame.
    bool waitForRecorderWindow() {
        return waitFor(
            [&] {
                test::answerMessageBoxes();
                for (platform::WindowId w : windows.topLevel())
                    if (windows.title(w) == "Talvora" && windows.rect(w).width() > 100 && windows.isVisible(w))
                        return log().find("Screen resolution") != std::string::npos;
                return false;
            },
            20000);
    }

    // Starts the recorder and, once its first ticks have run, a recording
    // with the hotkey, as a user does.
    QProcess* startRecording() {
        QProcess* recorder = startRecorder("recorder.log");
        if (!waitForRecorderWindow()) return recorder;
        // Its first ticks register the hotkeys and ask for the microphone.
        test::confirmMicrophoneDuringFirstTicks(3000);
        // The hotkey reaches the recorder through XWayland while an X11
        // window has the focus.
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        waitFor([&] { return log().find("RUNNING") != std::string::npos; }, 15000);
        return recorder;
    }
    // The end of the session finishes the recording as a stop does.
    void endSession(QProcess& recorder) {
        ASSERT_TRUE(sendSignal(recorder, SIGTERM)) << "the recorder ended while it recorded";
        ASSERT_TRUE(waitFor([&] { return recorder.state() == QProcess::NotRunning; }, 20000)) << log();
    }

    QStringList recordings() const {
        return QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv"}, QDir::Files, QDir::Name);
    }
    std::string log() const { return test::readFile(home.filePath("recorder.log")); }

    QProcess terminal;
};

struct Rgb {
    int r, g, b;
};

// The last picture of `file`, scaled down, as RGB bytes.
QByteArray lastPicture(const QString& file) {
    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-sseof", "-0.5", "-i", file, "-frames:v", "1", "-vf",
                            QString("scale=%1:%2").arg(kSmallWidth).arg(kSmallHeight), "-f", "rawvideo", "-pix_fmt",
                            "rgb24", "-"});
    decode.waitForFinished(30000);
    return decode.readAllStandardOutput();
}

Rgb pixelAt(const QByteArray& picture, int x, int y) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(picture.constData()) + (y * kSmallWidth + x) * 3;
    return {p[0], p[1], p[2]};
}

TEST_F(WaylandRecordingTest, ARecordingShowsANativeWaylandWindow) {
    // Started before the terminal takes the focus from the X11 windows.
    QProcess* recorder = startRecording();
    ASSERT_EQ(recordings().size(), 1) << log();
    showGreenTerminal();
    QTest::qWait(4000);
    endSession(*recorder);

    const QByteArray picture = lastPicture(home.filePath("Videos/Talvora Recordings/" + recordings()[0]));
    ASSERT_EQ(picture.size(), kSmallWidth * kSmallHeight * 3) << log();
    // Below the counter's line the terminal's own colour.
    for (int y = 1; y < kSmallHeight; ++y) {
        for (int x = 0; x < kSmallWidth; ++x) {
            const auto [r, g, b] = pixelAt(picture, x, y);
            EXPECT_TRUE(r < 60 && g > 200 && b < 60) << x << "," << y << ": " << r << " " << g << " " << b;
        }
    }
}

// A meeting in a browser that runs natively on Wayland: tracking finds no X11
// window of it, so the user chooses the window in the desktop's dialog. The
// desktop shares the window at whatever size it has while the recording's
// frame keeps its own: the window is fitted into it, and its title names the
// file as a tracked window's would.
TEST_F(WaylandRecordingTest, TrackingThatFindsNoWindowRecordsTheChosenWindowFittedIntoTheFrame) {
    using namespace std::chrono_literals;
    test::PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon does not start";
    QDBusConnection service = bus.connect(QStringLiteral("portal"));
    test::FakeScreenCastPortal portal(service);
    // A red window, wider than high at first.
    test::PipeWireVideoSource window(400, 300, 0x00FF0000);
    const std::uint32_t node = window.waitForNode(5s);
    ASSERT_NE(node, 0u) << "no PipeWire video node";
    portal.sourceTypes = 1 | 2;
    portal.streamNode = node;
    portal.streamProperties = {{QStringLiteral("source_type"), 2u},
                               {QStringLiteral("title"), QStringLiteral("Meet - abc-defg-hij - Google Chrome")}};
    portal.pipeWireSocket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pipewire-0");
    service.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

    const QByteArray sessionBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    QProcess* recorder = startRecording();
    qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus);
    ASSERT_EQ(portal.selected.value(QStringLiteral("types")).toUInt(), 2u) << log();
    // A meeting's window is gone after the meeting: its choice is not kept.
    EXPECT_FALSE(portal.selected.contains(QStringLiteral("persist_mode")));
    ASSERT_EQ(recordings().size(), 1) << log();
    EXPECT_TRUE(recordings()[0].startsWith("Google Meeting_")) << recordings()[0].toStdString();

    // Resized to higher than wide while the recording runs.
    window.resize(300, 600);
    ASSERT_TRUE(waitFor([&] { return window.framesAtAskedSize() >= 60; }, 10000)) << "the resize is not taken";
    endSession(*recorder);

    // The frame is wider than the window: black at both sides, the window's
    // colour between (the columns at the window's edges are mixed).
    const QByteArray picture = lastPicture(home.filePath("Videos/Talvora Recordings/" + recordings()[0]));
    ASSERT_EQ(picture.size(), kSmallWidth * kSmallHeight * 3) << log();
    for (int y = 0; y < kSmallHeight; ++y) {
        for (int x : {0, 1, 3, 4, 6, 7}) {
            const auto [r, g, b] = pixelAt(picture, x, y);
            const bool bar = x < 2 || x > 5;
            EXPECT_TRUE(bar ? r < 40 && g < 40 && b < 40 : r > 150 && g < 60 && b < 60)
                << x << "," << y << ": " << r << " " << g << " " << b;
        }
    }
}

}  // namespace
}  // namespace talvora
