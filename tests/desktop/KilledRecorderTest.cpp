// A recorder killed while it records (kill -9): the file it leaves plays and
// seeks once the recorder has started again, in both formats.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "RecorderProcessTest.h"

namespace talvora {
namespace {

using test::waitFor;

std::string output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput().toStdString();
}

// Share of the sound's energy in the 440 Hz tone, 0 for silence. Measured in
// blocks of 0.1 s (Goertzel), so that a step in the tone's phase (a sound
// frame the timeline drops or adds, or the player underrunning on a loaded
// machine) does not cancel the tone on either side of it.
double toneShare(const QString& file) {
    const std::string pcm = output("ffmpeg", {"-v", "error", "-i", file, "-vn", "-ac", "1", "-ar", "44100", "-f",
                                              "s16le", "-"});
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.data());
    const std::size_t n = pcm.size() / 2;
    constexpr std::size_t kBlock = 4410;
    const double coefficient = 2 * std::cos(2 * M_PI * 440 / 44100);
    double tone = 0, energy = 0;
    for (std::size_t start = 0; start + kBlock <= n; start += kBlock) {
        double previous = 0, beforePrevious = 0;
        for (std::size_t i = start; i < start + kBlock; ++i) {
            const double current = samples[i] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
            energy += double(samples[i]) * samples[i];
        }
        // A pure tone puts 2 * power / block^2 = its mean square into the bin.
        const double power =
            previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
        tone += 2 * power / double(kBlock);
    }
    return n == 0 || energy / n < 1e5 ? 0 : tone / energy;
}

class KilledRecorderTest : public test::RecorderProcessTest {
protected:
    void SetUp() override {
        test::RecorderProcessTest::SetUp();
        if (IsSkipped()) return;
        startMeetingAndTone();
    }

    // The settings file of the template, applied already (so that the first
    // start keeps it), with the recording format chosen.
    void chooseFormat(bool mpeg2) {
        QFile templ(QString(TALVORA_PROGRAM_DIR) + "/settings_rp_goog_init.ini");
        ASSERT_TRUE(templ.open(QIODevice::ReadOnly));
        QByteArray text = templ.readAll();
        text.replace("Protocol: 1", mpeg2 ? "Protocol: 0" : "Protocol: 1");
        text.replace("Setup: 0", "Setup: 1");
        QDir().mkpath(dataFolder());
        QFile settings(dataFolder() + "/settings_rp_goog.ini");
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(text);
    }
    QString dataFolder() const { return home.filePath(".config/Corvane Telmark 2"); }
    QStringList notes() const {
        return QDir(dataFolder() + "/Unfinished Recordings").entryList({"*.recording"}, QDir::Files);
    }
    QStringList recordings() const {
        return QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv", "*.mpg"}, QDir::Files);
    }
    QString recordingPath(const QString& name) const { return home.filePath("Videos/Talvora Recordings/" + name); }

    void recordKillAndRestart(bool mpeg2) {
        chooseFormat(mpeg2);
        if (HasFatalFailure()) return;
        QProcess* recorder = startRecorder("recorder0.log");
        ASSERT_NE(waitForRecorder(), 0u);
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        ASSERT_TRUE(waitFor([&] { return !recordings().isEmpty(); }, 5000));
        QTest::qWait(6500);
        ASSERT_TRUE(sendSignal(*recorder, SIGKILL)) << "the recorder ended while it recorded";
        ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 5000));
        ASSERT_EQ(recordings().size(), 1);
        ASSERT_TRUE(recordings()[0].endsWith(mpeg2 ? ".mpg" : ".wmv")) << recordings()[0].toStdString();
        EXPECT_EQ(notes().size(), 1) << "the journal notes the file while it is written";

        startRecorder("recorder1.log");
        ASSERT_NE(waitForRecorder(), 0u);
        EXPECT_TRUE(waitFor([&] { return notes().isEmpty(); }, 20000)) << "the repair ends by forgetting the note";
        ASSERT_EQ(recordings().size(), 1) << "the repair leaves no other file";
        const QString file = recordingPath(recordings()[0]);
        EXPECT_TRUE(QDir(home.filePath("Videos/Talvora Recordings")).entryList(QDir::Hidden | QDir::Files).size() == 1)
            << "no sibling is left behind";

        const double duration =
            std::stod("0" + output("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                               file}));
        EXPECT_GE(duration, 5.0) << "at most a second before the kill is lost";
        EXPECT_GT(toneShare(file), 0.5) << "the tone is in the file";
        QProcess decode;
        decode.start("ffmpeg", {"-v", "error", "-i", file, "-an", "-f", "framecrc", "-"});
        decode.waitForFinished(60000);
        EXPECT_EQ(decode.exitCode(), 0);
        EXPECT_EQ(decode.readAllStandardError().trimmed().toStdString(), "") << "no torn frame at the end";
        const int allPictures = static_cast<int>(decode.readAllStandardOutput().count("\n0,"));
        // From 3 s on, every picture comes: as many as the whole file has in
        // that share of its time (a slow build records fewer than 15 a second).
        // The pictures alone are decoded: a seek lands within a sound frame.
        QProcess seek;
        seek.start("ffmpeg", {"-v", "error", "-ss", "3", "-i", file, "-an", "-f", "framecrc", "-"});
        seek.waitForFinished(60000);
        EXPECT_EQ(seek.exitCode(), 0);
        EXPECT_EQ(seek.readAllStandardError().trimmed().toStdString(), "");
        const int pictures = static_cast<int>(seek.readAllStandardOutput().count("\n0,"));
        // A seek into a program stream may start at the next group of
        // pictures: up to a second's pictures later.
        const double perSecond = allPictures / duration;
        EXPECT_NEAR(pictures, perSecond * (duration - 3), perSecond)
            << "duration " << duration << ", " << allPictures << " pictures in all";
    }
};

TEST_F(KilledRecorderTest, AKilledWmvRecordingPlaysAndSeeksAfterTheNextStart) { recordKillAndRestart(false); }

TEST_F(KilledRecorderTest, AKilledMpeg2RecordingPlaysAndSeeksAfterTheNextStart) { recordKillAndRestart(true); }

}  // namespace
}  // namespace talvora
