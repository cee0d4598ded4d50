// The recorder program on the virtual desktop: a region marked with the frame
// and recorded with the frame's Record button, as a user does it.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "DesktopWait.h"
#include "FreshInstallation.h"
#include "platform/desktop/linux/X11Windows.h"

namespace {

using platform::Rect;
using talvora::test::confirmMicrophoneDuringFirstTicks;
using talvora::test::kStartStopKey;
using talvora::test::waitFor;

std::string run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return (p.readAllStandardOutput() + p.readAllStandardError()).toStdString();
}

void answerMessageBoxes() {
    QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Talvora Message$'); do "
                                   "xdotool windowactivate --sync $w key --window $w Return; done"});
}

void clickAt(int x, int y) {
    QProcess::execute("xdotool", {"mousemove", QString::number(x), QString::number(y), "click", "1"});
}

class RegionRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
        ASSERT_TRUE(home.isValid());
    }
    void TearDown() override {
        for (QProcess* p : {&recorder, &picture}) {
            p->kill();
            p->waitForFinished(3000);
        }
        waitFor([&] { return windows.find("Silence") == 0; }, 5000);
    }

    QTemporaryDir home;
    QProcess recorder;
    QProcess picture;
    platform::X11Windows windows;
};

TEST_F(RegionRecordingTest, RecordFromTheFrameRecordsExactlyItsRectangle) {
    // A still, colourful picture under the region to record.
    picture.start("ffplay", {"-loglevel", "quiet", "-noborder", "-window_title", "Bars", "-left", "60", "-top", "60",
                             "-f", "lavfi", "-i", "smptehdbars=size=800x600:rate=5"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_CONFIG_HOME");
    recorder.setProcessEnvironment(env);
    recorder.start(QString(TALVORA_PROGRAM_DIR) + "/talvora", {});
    platform::WindowId recorderId = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            recorderId = windows.find("Talvora");
            return windows.isVisible(recorderId);
        },
        20000));
    confirmMicrophoneDuringFirstTicks(2500);

    // MARK, then "Mark a screen regioon" by its access key.
    const Rect r = windows.rect(recorderId);
    clickAt(r.right - 25, r.top + 40);
    QTest::qWait(500);
    QProcess::execute("xdotool", {"key", "r"});
    platform::WindowId frame = 0;
    ASSERT_TRUE(waitFor([&] {
        frame = windows.find("MOVE/SIZE THIS WINDOW TO COVER SELECTED AREA");
        return frame != 0 && windows.rect(frame) == Rect{200, 200, 900, 700};
    }));

    // Sized to (96, 96)-(736, 576) by its outer edges.
    QTest::qWait(1000);
    const Rect outer = windows.rect(frame);
    const std::string info = run("xwininfo", {"-id", QString::number(frame)});
    const auto value = [&](const char* key) {
        const std::size_t at = info.find(key);
        return std::stoi(info.substr(at + std::strlen(key)));
    };
    const int extraWidth = outer.width() - value("Width: ");
    const int extraHeight = outer.height() - value("Height: ");
    const int leftBorder = value("Absolute upper-left X:  ") - outer.left;
    const int topBorder = value("Absolute upper-left Y:  ") - outer.top;
    QProcess::execute("xdotool", {"windowsize", QString::number(frame), QString::number(640 - extraWidth),
                                  QString::number(480 - extraHeight)});
    // The window's own position: the client area's, inside the frame.
    QProcess::execute("xdotool", {"windowmove", QString::number(frame), QString::number(96 + leftBorder),
                                  QString::number(96 + topBorder)});
    ASSERT_TRUE(waitFor([&] { return windows.rect(frame) == Rect{96, 96, 736, 576}; }));

    // Record (the frame's top-left button): the recording starts at the next tick.
    clickAt(96 + leftBorder + 20, 96 + topBorder + 12);
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(recorderId); }, 5000)) << "the recorder hides";
    QTest::qWait(3000);
    const QString grab = home.filePath("grab.png");
    run("import", {"-window", "root", "-crop", "640x480+96+96", "+repage", grab});
    QTest::qWait(2000);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(recorderId); }, 15000)) << "the recorder comes back";
    QTest::qWait(1500);

    const QDir folder(home.filePath("Videos/Talvora Recordings"));
    const QStringList files = folder.entryList({"*.wmv"});
    ASSERT_EQ(files.size(), 1);
    const QString file = folder.filePath(files[0]);
    EXPECT_EQ(run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", "stream=width,height", "-of",
                              "csv=p=0", file}),
              "640,480\n");
    const QString decoded = home.filePath("frame.png");
    run("ffmpeg", {"-v", "error", "-ss", "2", "-i", file, "-frames:v", "1", "-y", decoded});
    // Normalised root mean square error of the recording against the screen.
    const std::string rmse = run("compare", {"-metric", "RMSE", decoded, grab, "null:"});
    const std::size_t open = rmse.find('(');
    ASSERT_NE(open, std::string::npos) << rmse;
    EXPECT_LT(std::stod(rmse.substr(open + 1)), 0.06) << rmse;
}

}  // namespace
