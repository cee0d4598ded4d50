// The recorder program in a Wayland session, driven as a user drives it: its
// hotkey reaches it through XWayland, its pictures come through the
// desktop's portal.
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdint>

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

    QStringList recordings() const {
        return QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv"}, QDir::Files, QDir::Name);
    }
    std::string log() const { return test::readFile(home.filePath("recorder.log")); }

    QProcess terminal;
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

TEST_F(WaylandRecordingTest, ARecordingShowsANativeWaylandWindow) {
    QProcess* recorder = startRecorder("recorder.log");
    ASSERT_TRUE(waitForRecorderWindow()) << log();
    // Its first ticks register the hotkeys and ask for the microphone.
    test::confirmMicrophoneDuringFirstTicks(3000);
    // The hotkey reaches the recorder through XWayland while an X11 window
    // has the focus: pressed before the terminal takes it.
    QProcess::execute("xdotool", {"key", test::kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return log().find("RUNNING") != std::string::npos; }, 15000)) << log();
    ASSERT_EQ(recordings().size(), 1) << log();
    showGreenTerminal();
    QTest::qWait(4000);
    // The end of the session finishes the recording as a stop does.
    ASSERT_TRUE(sendSignal(*recorder, SIGTERM)) << "the recorder ended while it recorded";
    ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 20000)) << log();

    const QByteArray picture = lastPicture(home.filePath("Videos/Talvora Recordings/" + recordings()[0]));
    ASSERT_EQ(picture.size(), kSmallWidth * kSmallHeight * 3) << log();
    // Below the counter's line the terminal's own colour.
    for (int y = 1; y < kSmallHeight; ++y) {
        for (int x = 0; x < kSmallWidth; ++x) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(picture.constData()) + (y * kSmallWidth + x) * 3;
            const int r = p[0], g = p[1], b = p[2];
            EXPECT_TRUE(r < 60 && g > 200 && b < 60) << x << "," << y << ": " << r << " " << g << " " << b;
        }
    }
}

}  // namespace
}  // namespace talvora
