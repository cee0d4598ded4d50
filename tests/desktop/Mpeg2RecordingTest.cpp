// MPEG-2 recordings of the "Zoom Meeting" window, showing a busy picture,
// and of the tone, through the MPEG-2 recording path.
#include <QString>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "RecordingDesktopTest.h"
#include "capture/Mpeg2RecordingPath.h"

namespace talvora {
namespace {

constexpr int kVideoBitrate = 3000;  // kbps: B is 3000000 bits per second

class Mpeg2RecordingTest : public test::RecordingDesktopTest {
protected:
    // Grain on the pattern keeps every picture hard to compress.
    Mpeg2RecordingTest()
        : RecordingDesktopTest("testsrc=size=640x480:rate=15,noise=alls=16:allf=t"), path(ctx, toolkit) {
        mpeg2Path = &path;
    }

    std::string recordMpeg2(const std::string& file, bool audioOnly) {
        return record(
            file,
            [audioOnly](Settings& s) {
                s.protocol = 0;
                s.videoBitrate = kVideoBitrate;
                s.audioBitrate = 128;
                s.audioSource = "VozEza5";
                s.audioOnly = audioOnly ? 1 : 0;
            },
            5000);
    }

    // The values of the entries, one a line.
    static std::string probe(const std::string& file, const char* entries, const char* stream = nullptr) {
        QStringList args{"-v", "error", "-show_entries", entries, "-of", "default=nw=1:nk=1"};
        if (stream != nullptr) args << "-select_streams" << stream;
        return run("ffprobe", args << QString::fromStdString(file));
    }

    // An MPEG-2 pack header ('01' after the start code) opens the file.
    static bool startsWithMpeg2Pack(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        unsigned char head[5] = {};
        in.read(reinterpret_cast<char*>(head), 5);
        return head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA && (head[4] & 0xC0) == 0x40;
    }

    Mpeg2RecordingPath path;
};

TEST_F(Mpeg2RecordingTest, RecordsTheWindowAndTheToneIntoAProgramStream) {
    const std::string file = recordMpeg2("Zoom_test.mpg", false);
    EXPECT_TRUE(messageBox.texts().empty()) << messageBox.texts().front();
    EXPECT_EQ(probe(file, "format=format_name"), "mpeg\n");
    EXPECT_TRUE(startsWithMpeg2Pack(file));
    const Settings& s = ctx.settings;
    EXPECT_EQ(probe(file, "stream=codec_name,width,height"),
              "mpeg2video\n" + std::to_string(s.xBottom - s.xTop) + "\n" + std::to_string(s.yBottom - s.yTop) +
                  "\nmp2\n");
    // 5 s as planned; a loaded machine stretches the waits, so the file is
    // held against the time the graph really ran (pauses left out).
    EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    EXPECT_NEAR(runningTime_s, 5.0, 2.5);
    EXPECT_NEAR(dominantFrequency(decodedSound(file), 44100), 440.0, 15.0);

    std::istringstream sizes(probe(file, "packet=size", "v"));
    double bytes = 0;
    for (double packet = 0; sizes >> packet;) bytes += packet;
    const double bitsPerSecond = bytes * 8 / probeDuration(file);
    RecordProperty("video_bits_per_second", std::to_string(static_cast<long long>(bitsPerSecond)));
    EXPECT_NEAR(bitsPerSecond, kVideoBitrate * 1000.0, 0.2 * kVideoBitrate * 1000.0);
}

TEST_F(Mpeg2RecordingTest, FrameRatesMpeg2DoesNotCodeStillRecordAndPlayTheirTime) {
    for (const float rate : {7.0f, 14.0f, 29.97f, 30.0f}) {
        SCOPED_TRACE(rate);
        const std::string file = record(
            "rate" + std::to_string(static_cast<int>(rate * 100)) + ".mpg",
            [rate](Settings& s) {
                s.protocol = 0;
                s.videoBitrate = kVideoBitrate;
                s.audioBitrate = 128;
                s.audioSource = "VozEza5";
                s.frameRate = rate;
            },
            4000);
        EXPECT_TRUE(messageBox.texts().empty()) << messageBox.texts().front();
        std::istringstream durations(probe(file, "packet=duration_time", "v"));
        double seconds = 0;
        for (double d = 0; durations >> d;) seconds += d;
        EXPECT_NEAR(seconds, runningTime_s, 0.3);
        EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    }
}

TEST_F(Mpeg2RecordingTest, AudioOnlyGivesAnAudioOnlyProgramStream) {
    const std::string file = recordMpeg2("Zoom_audio.mpg", true);
    EXPECT_TRUE(messageBox.texts().empty()) << messageBox.texts().front();
    EXPECT_EQ(probe(file, "format=format_name"), "mpeg\n");
    EXPECT_TRUE(startsWithMpeg2Pack(file));
    EXPECT_EQ(probe(file, "stream=codec_name"), "mp2\n");
    // The length is the sound the audio capture delivered, which starts only
    // once its stream from the sound server runs.
    EXPECT_GE(probeDuration(file), 2.5);
    EXPECT_NEAR(dominantFrequency(decodedSound(file), 44100), 440.0, 15.0);
}

}  // namespace
}  // namespace talvora
