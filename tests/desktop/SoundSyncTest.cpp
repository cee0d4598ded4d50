// Sound against picture in real recordings of a source whose sync is known:
// the "Zoom Meeting" window of tests/tools/sync_source turns white when the
// sound server plays each of its 1 kHz beeps (to a millisecond, by its own
// log), at irregular times (so that a shift of whole seconds cannot pass for
// sync). Each recording is decoded as a player presents it, and every flash
// is paired with its beep.
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "RecordingDesktopTest.h"
#include "SoundSync.h"
#include "capture/Mpeg2RecordingPath.h"

namespace talvora {
namespace {

// A viewer notices sound that leads the picture by about 45 ms: the mean of a
// recording stays well within that (an encoder delay left uncompensated is
// 46 ms or more, a first placement left off 60 ms), and the pairs scatter
// little around it (up to about 2 ms on a shared machine; a step of 20 ms
// inside a recording shows as 10 ms), a shift of 40 ms is caught by the mean.
constexpr double kWorstMean_s = 0.020;
constexpr double kSpread_s = 0.010;
// The start of a recording whose pairs are not held to the bounds.
constexpr double kPlacing_s = 1.0;
// The source's own error on average, flash painted against beep played, by
// its log (single flashes come later while the X server waits for a core;
// the flash's levels still tell how late they came).
constexpr double kSourceError_s = 0.003;
// Two frame times. Runs that dropped nothing show every picture one frame
// time after the one before (MPEG-2 repeats a frame the capture left out),
// so a picture shown late or a missing one fails; a WMV recording leaves out
// the frames that did not change, so its pictures may stay longer then.
// The margin holds the millisecond times of an ASF stream.
double largestVideoGap(double frameRate) { return 2.0 / frameRate + 0.002; }

// The streams start together, to a frame, after the sound encoder's priming
// (a WMA frame of 2048 samples at 44.1 kHz leads a WMV file's sound). A
// sanitizer's build grabs its first picture late, which says nothing of the
// timeline.
constexpr double kWmaPriming_s = 2048.0 / 44100;
double startsApart(double frameRate) {
#ifdef TALVORA_SLOW_BUILD
    (void)frameRate;
    return 0.5;
#else
    return 1.0 / frameRate;
#endif
}

using Sync = tools::SoundSync;

class SoundSyncTest : public test::RecordingDesktopTest {
protected:
    SoundSyncTest() : RecordingDesktopTest({}), path(ctx, toolkit) {}

    QStringList meetingCommand() const override { return {TALVORA_PROGRAM_DIR "/sync_source"}; }
    bool playsTone() const override { return false; }

    void wmv(Settings& s, float rate = 15) {
        s.protocol = 1;
        s.videoBitrate = 1200;
        s.audioBitrate = 64;
        s.frameRate = rate;
    }
    void mpeg2(Settings& s, float rate = 15) {
        s.protocol = 0;
        s.videoBitrate = 3000;
        s.audioBitrate = 128;
        s.audioSource = "VozEza5";
        s.frameRate = rate;
        mpeg2Path = &path;
    }

    using Event = std::pair<int, std::function<void()>>;
    // Records for `total_ms` of running time; each event's action runs at its
    // time (ms from the start of the recording). With `beside`, the ffmpeg
    // command line records the same window and sound into it meanwhile.
    std::string recordWith(const std::string& file, const std::function<void(Settings&)>& change, int total_ms,
                           const std::vector<Event>& events = {}, const QString& beside = {}) {
        const std::string out = startRecording(file, change);
        QElapsedTimer clock;
        clock.start();
        QProcess commandLine;
        if (!beside.isEmpty()) {
            const platform::Rect r = windows.rect(windows.find("Zoom Meeting"));
            commandLine.start("ffmpeg", {"-v", "error", "-y", "-f", "x11grab", "-framerate", QString::number(ctx.settings.frameRate),
                                         "-video_size", QString("%1x%2").arg(r.right - r.left).arg(r.bottom - r.top), "-i",
                                         QString("%1+%2,%3").arg(qEnvironmentVariable("DISPLAY")).arg(r.left).arg(r.top),
                                         "-f", "pulse", "-i", "speakers.monitor", "-copyts", "-c:v", "ffv1", "-c:a",
                                         "pcm_s16le", beside});
        }
        // The stop keeps the graph running one more second.
        total_ms -= 1000;
        for (const auto& [at_ms, action] : events) {
            QTest::qWait(static_cast<int>(std::max<qint64>(0, at_ms - clock.elapsed())));
            action();
        }
        QTest::qWait(static_cast<int>(std::max<qint64>(0, total_ms - clock.elapsed())));
        commandLine.write("q");
        commandLine.waitForFinished(10000);
        graph->stop();
        runningTime_s = static_cast<double>(clock.elapsed()) / 1000.0;
        graph->tearDownAndRelease();
        return out;
    }

    static Sync measure(const std::string& file) { return tools::measureSoundSync(file, kPlacing_s); }

    // Leaves out the flashes from `from_s` to `to_s` of the recording (while
    // no sound was heard).
    static void leaveOut(Sync& sync, double from_s, double to_s) {
        Sync kept = sync;
        kept.flashes.clear();
        kept.offsets.clear();
        const double start = sync.videoStart;
        for (std::size_t i = 0; i < sync.flashes.size(); ++i) {
            if (sync.flashes[i] - start >= from_s && sync.flashes[i] - start <= to_s) continue;
            kept.flashes.push_back(sync.flashes[i]);
            kept.offsets.push_back(sync.offsets[i]);
        }
        sync = kept;
    }

    // How far on average the source painted a flash from its beep since the
    // last call, and the farthest, by its log ("sink <us>, paint <us>").
    std::pair<double, double> sourceError() {
        static const QRegularExpression beep("sink (\\d+) us, paint (\\d+) us");
        double sum = 0, worst = 0;
        int count = 0;
        for (auto m = beep.globalMatch(QString::fromUtf8(meetingOutput())); m.hasNext(); ++count) {
            const auto match = m.next();
            const double error = std::abs(match.captured(2).toDouble() - match.captured(1).toDouble()) / 1e6;
            sum += error;
            worst = std::max(worst, error);
        }
        return {count > 0 ? sum / count : 1.0, worst};
    }

    // What every recording must show, stalls or not.
    void expectInSync(const Sync& sync, std::size_t pairs, double frameRate, double priming_s) {
        EXPECT_GE(sync.offsets.size(), pairs) << sync.text();
        EXPECT_LE(std::abs(sync.mean()), kWorstMean_s) << sync.text();
        EXPECT_LE(sync.spread(), kSpread_s) << sync.text();
        // The first pictures a busy machine drops as late start the picture
        // later, each on its own time.
        if (lastFrameCounts().find(kNoneDropped) != std::string::npos) {
            EXPECT_NEAR(sync.videoStart, sync.audioStart + priming_s, startsApart(frameRate));
        }
    }

    // The log's count of the last recording's frames, "" without one.
    std::string lastFrameCounts() const {
        const auto& lines = log.lines();
        const auto counts = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& l) {
            return l.find("frames captured") != std::string::npos;
        });
        return counts != lines.rend() ? *counts : std::string();
    }
    static constexpr const char* kNoneDropped = ", 0 dropped as late, 0 dropped";

    // The recorder's own record stream, by its index.
    static std::string recorderSourceOutput() {
        const std::string list = run("pactl", {"list", "source-outputs"});
        std::string index;
        std::istringstream lines(list);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("Source Output #", 0) == 0) index = line.substr(15);
            if (line.find("application.name = \"Talvora\"") != std::string::npos) return index;
        }
        return {};
    }

    Mpeg2RecordingPath path;
};

// At both rates; the ffmpeg command line records the same source meanwhile,
// for comparison (it is not held to the bounds: its sound is placed by a
// filter of its read times).
TEST_F(SoundSyncTest, FlashesAndBeepsStayTogetherInBothFormats) {
    for (const float rate : {15.0f, 30.0f}) {
        for (const bool wmvFormat : {true, false}) {
            const std::string name = std::string(wmvFormat ? "WMV" : "MPEG-2") + " at " + std::to_string(int(rate));
            SCOPED_TRACE(name);
            const QString commandLine = dir.filePath(QString("command-line-%1.mkv").arg(int(rate)));
            const std::size_t logFrom = log.lines().size();
            const std::string file = recordWith(
                wmvFormat ? "sync.wmv" : "sync.mpg",
                [&](Settings& s) {
                    if (wmvFormat) wmv(s, rate);
                    else mpeg2(s, rate);
                },
                14000, {}, commandLine);
            const Sync sync = measure(file);
            const Sync reference = measure(commandLine.toStdString());
            RecordProperty(name, sync.text());
            std::cout << "      " << name << ": " << sync.text() << "\n      command line: " << reference.text() << "\n";
            // Where the recorder moved its sound, for a failure's reader.
            const std::vector<std::string> lines = log.lines();
            for (std::size_t i = logFrom; i < lines.size(); ++i)
                if (lines[i].find("Audio capture: sound") != std::string::npos)
                    std::cout << "      " << lines[i].substr(lines[i].find_first_not_of("\r\n")) << "\n";
            const auto [sourceMean, sourceWorst] = sourceError();
            std::cout << "      the source painted its flashes " << sourceMean * 1000 << " ms after their beeps, at most "
                      << sourceWorst * 1000 << " ms\n";
            EXPECT_LE(sourceMean, kSourceError_s);
            expectInSync(sync, 8, rate, wmvFormat ? kWmaPriming_s : 0);
            // The log says whether the machine kept up.
            for (const char* count : {"frames captured", "frames encoded"})
                EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                        [count](const std::string& l) { return l.find(count) != std::string::npos; }))
                    << count;
            // When it did (the machine is shared), no frame is missing, and the
            // count fits the time from the first picture to the last (the
            // sound runs on by up to a few frames). A WMV file leaves out the frames that showed
            // nothing new: it has gaps then, by design.
            const std::string counts = lastFrameCounts();
            const bool keptUp = counts.find(kNoneDropped) != std::string::npos &&
                                (!wmvFormat || counts.find(" 0 unchanged") != std::string::npos);
            if (keptUp) {
                EXPECT_LE(sync.largestVideoGap, largestVideoGap(rate)) << counts;
                EXPECT_NEAR(sync.frames, sync.videoSpan * rate + 1, 0.01 * sync.videoSpan * rate) << counts;
            } else {
                std::cout << "      the machine was busy: " << counts << "\n";
            }
            mpeg2Path = nullptr;
        }
    }
}

TEST_F(SoundSyncTest, StallsOfTheSoundLeaveItInSyncAfterwards) {
    run("pactl", {"load-module", "module-null-sink", "sink_name=silent"});
    run("pactl", {"suspend-sink", "silent", "1"});
    for (const bool wmvFormat : {true, false}) {
        SCOPED_TRACE(wmvFormat ? "WMV" : "MPEG-2");
        std::string moved;
        const std::vector<Event> events = {
            // The speakers stop for 3 s...
            {5000, [] { run("pactl", {"suspend-sink", "speakers", "1"}); }},
            {8000, [] { run("pactl", {"suspend-sink", "speakers", "0"}); }},
            // ...then the recorder's stream is moved to a source that delivers nothing.
            {11000,
             [&] {
                 moved = recorderSourceOutput();
                 run("pactl", {"move-source-output", QString::fromStdString(moved), "silent.monitor"});
             }},
            {14000, [&] { run("pactl", {"move-source-output", QString::fromStdString(moved), "speakers.monitor"}); }},
        };
        const std::string file = recordWith(
            wmvFormat ? "stalls.wmv" : "stalls.mpg",
            [&](Settings& s) {
                if (wmvFormat) wmv(s, 15);
                else mpeg2(s, 15);
            },
            20000, events);
        EXPECT_FALSE(moved.empty());
        Sync sync = measure(file);
        // While the speakers are suspended nothing is played, and the moved
        // stream records silence: what counts is before the first stall and
        // after the last.
        leaveOut(sync, 4.5, 14.5);
        RecordProperty(wmvFormat ? "sync" : "sync MPEG-2", sync.text());
        std::cout << "      sync: " << sync.text() << "\n";
        expectInSync(sync, 5, 15, wmvFormat ? kWmaPriming_s : 0);
        // Pairs after the last stall are there.
        EXPECT_GE(std::count_if(sync.flashes.begin(), sync.flashes.end(),
                                [&](double t) { return t - sync.videoStart > 14.5; }),
                  3)
            << sync.text();
        EXPECT_NEAR(sync.duration, runningTime_s, 0.5);
        mpeg2Path = nullptr;
    }
}

TEST_F(SoundSyncTest, ASoundServerRestartLeavesSilenceAndSoundAfterIt) {
    const QString script = TALVORA_SOURCE_DIR "/scripts/virtual-desktop";
    QProcess beeps;
    const std::vector<Event> events = {
        {4000, [&] { run(script, {"stop-sound"}); }},
        {7000,
         [&] {
             run(script, {"start-sound"});
             // The source lost its sound with the server; a tone plays on the new one.
             run("sox", {"-n", "-r", "44100", "-c", "2", dir.filePath("late.wav"), "synth", "10", "sine", "440", "vol",
                         "0.5"});
             beeps.start("paplay", {dir.filePath("late.wav")});
         }},
    };
    const std::string file = recordWith("restart.wmv", [&](Settings& s) { wmv(s); }, 14000, events);
    beeps.kill();
    beeps.waitForFinished(3000);
    EXPECT_NEAR(probeDuration(file), runningTime_s, 0.5);
    // The last seconds hold the tone played after the restart.
    const std::string pcm = run("ffmpeg", {"-v", "error", "-sseof", "-4", "-i", QString::fromStdString(file), "-vn",
                                           "-ac", "1", "-ar", "44100", "-t", "3", "-f", "s16le", "-"});
    EXPECT_NEAR(dominantFrequency(pcm, 44100), 440.0, 15.0);
    // The stream broke with the server and was opened again on the new one.
    const auto& lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Audio capture goes on with silence") != std::string::npos; }));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("Audio capture records \"") != std::string::npos && l.find("again") != std::string::npos;
    }));
}

}  // namespace
}  // namespace talvora
