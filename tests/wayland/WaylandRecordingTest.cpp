// The recorder program in a Wayland session, driven as a user drives it: its
// hotkey reaches it through XWayland, its pictures come through the
// desktop's portal.
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "FakeScreenCastPortal.h"
#include "PipeWireVideoSource.h"
#include "PrivateBus.h"
#include "WaylandRecorderTest.h"

namespace talvora {
namespace {

using test::waitFor;

// A picture is checked scaled down to this many pixels.
constexpr int kSmallWidth = 8;
constexpr int kSmallHeight = 4;

class WaylandRecordingTest : public test::WaylandRecorderTest {
protected:
    void TearDown() override {
        terminal.kill();
        terminal.waitForFinished(3000);
        test::WaylandRecorderTest::TearDown();
        // The tests after this one need the portal.
        if (portalStopped) {
            EXPECT_EQ(desktop("start-portal"), 0);
        }
    }

    // Runs a sub-command of the virtual desktop on this one; its exit code.
    static int desktop(const QString& command) {
        return QProcess::execute(TALVORA_SOURCE_DIR "/scripts/virtual-desktop", {command});
    }

    // A native Wayland window over the whole output, green but for a counter
    // in its first line that keeps the screen changing (the desktop sends
    // pictures only then).
    void showGreenTerminal() {
        terminal.start("foot", {"--fullscreen", "-o", "colors.background=00ff00", "sh", "-c",
                                "while sleep 0.1; do printf '\\r%s' $(date +%N); done"});
        ASSERT_TRUE(terminal.waitForStarted()) << "foot does not start";
    }

    // Runs a command of the compositor; its exit code.
    static int sway(const QString& command) {
        const QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
        const QStringList sockets = runtime.entryList({"sway-ipc.*.sock"}, QDir::System);
        if (sockets.size() != 1) return -1;
        return QProcess::execute("swaymsg", {"-q", "-s", runtime.filePath(sockets[0]), command});
    }

    // Starts a recording with the hotkey in the recorder started just now.
    void startRecording() {
        ASSERT_TRUE(waitForRecorderWindow()) << log();
        // Its first ticks register the hotkeys, take the meeting window and
        // ask for the microphone.
        test::confirmMicrophoneDuringFirstTicks(3000);
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        ASSERT_TRUE(waitFor([&] { return logged("RUNNING"); }, 15000)) << log();
        ASSERT_EQ(recordings().size(), 1) << log();
    }

    QString recording() const { return QDir(recordingsFolder()).filePath(recordings().value(0)); }

    QProcess terminal;
    bool portalStopped = false;
};

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

// The first picture of ffmpeg's `input`, cropped to `crop` (an ffmpeg crop
// filter's w:h:x:y, or empty) and scaled down, as RGB bytes.
QByteArray smallPicture(const QStringList& input, const QString& crop = {}) {
    // In RGB: scaled in 4:2:0, each colour would bleed into its neighbours.
    const QString scale = QString("format=rgb24,scale=%1:%2").arg(kSmallWidth).arg(kSmallHeight);
    QProcess decode;
    const QString filter = crop.isEmpty() ? scale : "crop=" + crop + "," + scale;
    decode.start("ffmpeg", QStringList{"-v", "error"} + input +
                               QStringList{"-frames:v", "1", "-vf", filter, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    decode.waitForFinished(30000);
    return decode.readAllStandardOutput();
}

const std::uint8_t* pixel(const QByteArray& picture, int x, int y) {
    return reinterpret_cast<const std::uint8_t*>(picture.constData()) + (y * kSmallWidth + x) * 3;
}

TEST_F(WaylandRecordingTest, ARecordingShowsANativeWaylandWindow) {
    QProcess* recorder = startRecorder("recorder.log");
    ASSERT_TRUE(waitForRecorderWindow()) << log();
    // Its first ticks register the hotkeys and ask for the microphone.
    test::confirmMicrophoneDuringFirstTicks(3000);
    // The hotkey reaches the recorder through XWayland while an X11 window
    // has the focus: pressed before the terminal takes it.
    QProcess::execute("xdotool", {"key", test::kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return logged("RUNNING"); }, 15000)) << log();
    ASSERT_EQ(recordings().size(), 1) << log();
    showGreenTerminal();
    QTest::qWait(4000);
    // The end of the session finishes the recording as a stop does.
    ASSERT_TRUE(sendSignal(*recorder, SIGTERM)) << "the recorder ended while it recorded";
    ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 20000)) << log();

    const QByteArray picture = smallPicture({"-sseof", "-0.5", "-i", recording()});
    ASSERT_EQ(picture.size(), kSmallWidth * kSmallHeight * 3) << log();
    // Below the counter's line the terminal's own colour.
    for (int y = 1; y < kSmallHeight; ++y) {
        for (int x = 0; x < kSmallWidth; ++x) {
            const std::uint8_t* p = pixel(picture, x, y);
            const int r = p[0], g = p[1], b = p[2];
            EXPECT_TRUE(r < 60 && g > 200 && b < 60) << x << "," << y << ": " << r << " " << g << " " << b;
        }
    }
}

TEST_F(WaylandRecordingTest, TheMeetingWindowOnXWaylandIsTrackedAndRecordedWithItsSound) {
    // The meeting as an X11 window, floated by the compositor (which would
    // tile it over the whole output) at a place and size of its own.
    qputenv("SDL_VIDEODRIVER", "x11");
    startMeetingAndTone();
    qunsetenv("SDL_VIDEODRIVER");
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(windows.find("Zoom Meeting")); }, 10000));
    ASSERT_EQ(sway("[title=\"^Zoom Meeting$\"] floating enable, border none, resize set 640 480, "
                   "move absolute position 200 100"),
              0);
    const platform::Rect placed = test::settled([&] { return windows.rect(windows.find("Zoom Meeting")); }, 500);
    ASSERT_EQ(placed, (platform::Rect{200, 100, 840, 580}));

    QProcess* recorder = startRecorder("recorder.log");
    startRecording();
    if (HasFatalFailure()) return;
    QTest::qWait(6000);
    ASSERT_TRUE(sendSignal(*recorder, SIGTERM)) << "the recorder ended while it recorded";
    ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 20000)) << log();

    // The window's own picture, at its size: eight colour bars 80 pixels
    // wide, compared above the moving counter with the source's own.
    const QString file = recording();
    EXPECT_EQ(run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", "stream=width,height", "-of",
                              "csv=p=0", file}),
              "640,480");
    // Decoded from the start: a picture after a seek lacks its key frame.
    const QByteArray recorded = smallPicture({"-i", file, "-ss", "4"}, "640:180:0:0");
    const QByteArray source = smallPicture({"-f", "lavfi", "-i", "testsrc=size=640x480"}, "640:180:0:0");
    ASSERT_EQ(recorded.size(), kSmallWidth * kSmallHeight * 3) << log();
    ASSERT_EQ(source.size(), recorded.size());
    for (int y = 0; y < kSmallHeight; ++y) {
        for (int x = 0; x < kSmallWidth; ++x) {
            const std::uint8_t* r = pixel(recorded, x, y);
            const std::uint8_t* s = pixel(source, x, y);
            EXPECT_TRUE(std::abs(r[0] - s[0]) < 48 && std::abs(r[1] - s[1]) < 48 && std::abs(r[2] - s[2]) < 48)
                << x << "," << y << ": recorded " << +r[0] << " " << +r[1] << " " << +r[2] << ", shown " << +s[0]
                << " " << +s[1] << " " << +s[2];
        }
    }
    // At the recording's rate, which the desktop's pictures (sent only when
    // the screen changes) do not set.
    const QStringList counted = run("ffprobe", {"-v", "error", "-select_streams", "v", "-count_frames",
                                                "-show_entries", "stream=nb_read_frames:format=duration", "-of",
                                                "default=nw=1:nk=1", file})
                                    .split('\n');
    ASSERT_EQ(counted.size(), 2);
    const double rate = counted[0].toDouble() / counted[1].toDouble();
    EXPECT_NEAR(rate, 15.0, 1.0) << counted.join(' ').toStdString();
    // The meeting's tone, not silence.
    const QString volume = run("ffmpeg", {"-v", "info", "-i", file, "-map", "0:a", "-af", "volumedetect", "-f", "null",
                                          "-"});
    const auto at = volume.indexOf("mean_volume: ");
    ASSERT_GE(at, 0) << volume.toStdString();
    EXPECT_GT(volume.mid(at + 13).section(' ', 0, 0).toDouble(), -40.0) << volume.toStdString();
}

TEST_F(WaylandRecordingTest, TheDesktopEndingTheShareStopsTheRecordingAndKeepsIt) {
    startRecorder("recorder.log");
    startRecording();
    if (HasFatalFailure()) return;
    showGreenTerminal();
    QTest::qWait(3000);
    // The portal's backend ends, and with it the stream it shares.
    portalStopped = desktop("stop-portal") == 0;
    ASSERT_TRUE(portalStopped);
    const std::string told = "The desktop stopped the screen recording. The recording made so far is saved.";
    ASSERT_TRUE(waitFor([&] { return logged(told); }, 15000)) << log();
    EXPECT_TRUE(waitFor([&] { return recorderWindowShown(); }, 10000));
    // Finished: its header holds the duration, and it decodes to its end.
    const double duration = run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                            recording()})
                                .toDouble();
    EXPECT_GE(duration, 2.5);
    EXPECT_EQ(run("ffmpeg", {"-v", "error", "-i", recording(), "-f", "null", "-"}), "");
}

// A meeting in a browser that runs natively on Wayland: tracking finds no X11
// window of it, so the user chooses the window in the desktop's dialog. The
// desktop shares the window at whatever size it has while the recording's
// frame keeps its own: the window is fitted into it, and its title names the
// file as a tracked window's would.
TEST_F(WaylandRecordingTest, TrackingThatFindsNoWindowRecordsTheChosenWindowFittedIntoTheFrame) {
    using namespace std::chrono_literals;
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << "dbus-daemon does not start";
    test::FakeScreenCastPortal portal(bus.connect(QStringLiteral("portal")));
    // A red window, wider than high at first.
    test::PipeWireVideoSource window(400, 300, 0x00FF0000);
    const std::uint32_t node = window.waitForNode(5s);
    ASSERT_NE(node, 0u) << "no PipeWire video node";
    portal.sourceTypes = 1 | 2;
    portal.streamNode = node;
    portal.streamProperties = {{QStringLiteral("source_type"), 2u},
                               {QStringLiteral("title"), QStringLiteral("Meet - abc-defg-hij - Google Chrome")}};
    portal.pipeWireSocket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pipewire-0");
    ASSERT_TRUE(portal.serve());

    const QByteArray sessionBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    QProcess* recorder = startRecorder("recorder.log");
    qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus);
    startRecording();
    if (HasFatalFailure()) return;
    ASSERT_EQ(portal.selected.value(QStringLiteral("types")).toUInt(), 2u) << log();
    // A meeting's window is gone after the meeting: its choice is not kept.
    EXPECT_FALSE(portal.selected.contains(QStringLiteral("persist_mode")));
    EXPECT_TRUE(recordings()[0].startsWith("Google Meeting_")) << recordings()[0].toStdString();

    // Resized to higher than wide while the recording runs.
    window.resize(300, 600);
    ASSERT_TRUE(waitFor([&] { return window.framesAtAskedSize() >= 60; }, 10000)) << "the resize is not taken";
    ASSERT_TRUE(sendSignal(*recorder, SIGTERM)) << "the recorder ended while it recorded";
    ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 20000)) << log();

    // The frame is wider than the window: black at both sides, the window's
    // colour between (the columns at the window's edges are mixed).
    const QByteArray picture = smallPicture({"-sseof", "-0.5", "-i", recording()});
    ASSERT_EQ(picture.size(), kSmallWidth * kSmallHeight * 3) << log();
    for (int y = 0; y < kSmallHeight; ++y) {
        for (int x : {0, 1, 3, 4, 6, 7}) {
            const std::uint8_t* p = pixel(picture, x, y);
            const int r = p[0], g = p[1], b = p[2];
            const bool bar = x < 2 || x > 5;
            EXPECT_TRUE(bar ? r < 40 && g < 40 && b < 40 : r > 150 && g < 60 && b < 60)
                << x << "," << y << ": " << r << " " << g << " " << b;
        }
    }
}

}  // namespace
}  // namespace talvora
