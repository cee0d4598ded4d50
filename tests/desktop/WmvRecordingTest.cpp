// A Windows Media recording of the "Zoom Meeting" window and the tone.
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "RecordingDesktopTest.h"

namespace talvora {
namespace {

class WmvRecordingTest : public test::RecordingDesktopTest {
protected:
    WmvRecordingTest() : RecordingDesktopTest("testsrc=size=640x480:rate=15") {}

    std::string recordWmv(int total_ms, int pauseAt_ms = -1, int pause_ms = 0) {
        return record(
            "Zoom_test.wmv",
            [](Settings& s) {
                s.protocol = 1;
                s.videoBitrate = 1200;
                s.audioBitrate = 64;
                s.setTopWindow = 1;
            },
            total_ms, pauseAt_ms, pause_ms);
    }
};

TEST_F(WmvRecordingTest, RecordsTheWindowAndTheToneIntoWindowsMedia) {
    const std::string file = recordWmv(5000);
    const std::string streams = run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height",
                                                "-of", "csv=p=0", QString::fromStdString(file)});
    const Settings& s = ctx.settings;
    const std::string size = std::to_string(s.xBottom - s.xTop) + "," + std::to_string(s.yBottom - s.yTop);
    EXPECT_NE(streams.find("wmv1," + size), std::string::npos) << streams;
    EXPECT_NE(streams.find("wmav2"), std::string::npos) << streams;
    // 5 s as planned; a loaded machine stretches the waits, so the file is
    // held against the time the graph really ran (pauses left out).
    EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    EXPECT_NEAR(runningTime_s, 5.0, 2.5);
    EXPECT_NEAR(dominantFrequency(decodedSound(file), 44100), 440.0, 15.0);

    // The last frame shows what is on the screen at the rectangle (the static
    // parts of the pattern: compare the mean colour).
    const QString frame = dir.filePath("last.png");
    const QString shot = dir.filePath("shot.png");
    run("ffmpeg", {"-v", "error", "-sseof", "-0.5", "-i", QString::fromStdString(file), "-frames:v", "1", frame});
    run("import", {"-window", "root", "-crop",
                   QString("%1x%2+%3+%4").arg(s.xBottom - s.xTop).arg(s.yBottom - s.yTop).arg(s.xTop).arg(s.yTop),
                   shot});
    auto meanOf = [&](const QString& png) {
        return std::stod(run("convert", {png, "-colorspace", "gray", "-format", "%[fx:mean]", "info:"}));
    };
    EXPECT_NEAR(meanOf(frame), meanOf(shot), 0.06);
}

TEST_F(WmvRecordingTest, APauseLeavesNoGap) {
    const std::string file = recordWmv(5000, 2000, 2000);
    // 5 s as planned; a loaded machine stretches the waits, so the file is
    // held against the time the graph really ran (pauses left out).
    EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    EXPECT_NEAR(runningTime_s, 5.0, 2.5);
}


// A meeting that shows a still picture: unchanged frames are not written, and
// the file still lasts as long as the recording and plays the picture.
class StillWmvRecordingTest : public test::RecordingDesktopTest {
protected:
    StillWmvRecordingTest() : RecordingDesktopTest("color=c=0x336699:size=640x480:rate=15") {}
};

TEST_F(StillWmvRecordingTest, WritesFewFramesAndLastsToTheStop) {
    const std::string file = record("Zoom_still.wmv", [](Settings& s) { s.protocol = 1; }, 6000);
    EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    const std::string times = run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", "packet=pts_time",
                                              "-of", "csv=p=0", QString::fromStdString(file)});
    std::vector<double> pts;
    std::istringstream lines(times);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) pts.push_back(std::stod(line));
    ASSERT_FALSE(pts.empty());
    EXPECT_LT(pts.size(), static_cast<std::size_t>(runningTime_s * 15 / 3)) << times;
    EXPECT_GE(pts.back(), runningTime_s - 0.3) << times;
    EXPECT_NEAR(dominantFrequency(decodedSound(file), 44100), 440.0, 15.0);
    const auto& lines2 = log.lines();
    EXPECT_TRUE(std::any_of(lines2.begin(), lines2.end(), [](const std::string& l) {
        return l.find("unchanged and not sent") != std::string::npos && l.find(" 0 unchanged") == std::string::npos;
    }));
}

}  // namespace
}  // namespace talvora
