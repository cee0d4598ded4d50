// Sound against picture in real recordings: the "Zoom Meeting" window plays a
// video whose white flashes and 1 kHz beeps coincide, at irregular times (so
// that a shift of whole seconds cannot pass for sync). Each recording is
// decoded as a player presents it, and every flash is paired with its beep.
#include <QElapsedTimer>
#include <QProcess>
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
#include "capture/Mpeg2RecordingPath.h"

namespace talvora {
namespace {

constexpr double kFlash_s = 0.1;
constexpr double kSourceRate = 60;
constexpr int kMediaLength_s = 90;
constexpr int kPlayerSettle_ms = 3000;
constexpr int kFlashPictures = 6;  // 100 ms at 60 fps
constexpr int kLevelStep = 30;     // between a flash's pictures, of 255
constexpr int kFrameRate = 15;
// The aim is 40 ms. Within one recording the pairs agree to a millisecond, but
// the player itself shows its pictures up to ~35 ms off its sound, by an amount
// that differs from start to start and moves by whole pictures (17 ms) while
// it plays; the sound lies within a few ms of its capture times (the log's
// last line says how far). So a test fails above 45 ms: still well below the
// 87 ms of an uncompensated encoder delay, a first placement left 60 ms off,
// or the seconds of a stall that is not filled.
constexpr double kWorstOffset_s = 0.045;
// Two frame times. Runs that dropped nothing show every picture one frame
// time after the one before (MPEG-2 repeats a frame the capture left out),
// so a picture shown late or a missing one fails; a WMV recording leaves out
// the frames that did not change, so its pictures may stay longer then.
// The margin holds the millisecond times of an ASF stream.
constexpr double kLargestVideoGap_s = 2.0 / kFrameRate + 0.002;

// The start of a recording whose pairs are not measured. The test player
// can stumble while a recording starts on this shared machine: a pair then
// lies up to 120 ms apart there (seen up to 1.7 s in), while the recording's
// sound lies on its capture times to 2 ms and every frame is grabbed on time,
// and later pairs agree again.
constexpr double kPlayerSettling_s = 2.0;

// The streams start together, to a frame. A sanitizer's build grabs its
// first picture late, which says nothing of the timeline.
#ifdef TALVORA_SLOW_BUILD
constexpr double kStartsApart_s = 0.5;
#else
constexpr double kStartsApart_s = 1.0 / kFrameRate;
#endif

// Flash times of the test video: irregular gaps, repeated.
std::vector<double> flashTimes(double length_s) {
    static const double gaps[] = {1.3, 0.9, 1.7, 1.1, 1.5, 0.8, 1.9};
    std::vector<double> times;
    double t = 1.0;
    for (int i = 0; t < length_s - 1; ++i, t += gaps[i % 7]) times.push_back(t);
    return times;
}

// What one recording shows of its sync.
struct Sync {
    std::vector<double> flashes;         // onsets, seconds
    std::vector<double> offsets;         // beep minus flash, seconds, per flash with sound
    double videoStart = 0, audioStart = 0;
    double largestVideoGap = 0;
    double largestVideoGapAt = 0;  // where it begins, seconds
    int frames = 0;
    double duration = 0;
    int stumbles = 0;  // flashes the player showed too long

    double worst() const {
        double w = 0;
        for (double o : offsets) w = std::max(w, std::abs(o));
        return w;
    }
    double mean() const {
        double sum = 0;
        for (double o : offsets) sum += o;
        return offsets.empty() ? 0 : sum / static_cast<double>(offsets.size());
    }
    std::string text() const {
        std::ostringstream s;
        s.precision(3);
        s << "mean " << mean() * 1000 << " ms, worst " << worst() * 1000 << " ms over " << offsets.size()
          << " pairs, " << stumbles << " flashes shown too long, largest frame gap " << largestVideoGap * 1000
          << " ms at " << largestVideoGapAt << " s; offsets (s):";
        for (std::size_t i = 0; i < offsets.size(); ++i) s << " " << flashes[i] << ":" << offsets[i];
        return s.str();
    }
};

class SoundSyncTest : public test::RecordingDesktopTest {
protected:
    SoundSyncTest() : RecordingDesktopTest({}), path(ctx, toolkit) {}

    void SetUp() override {
        media_ = dir.filePath("flash.mkv");
        // A video at 60 fps, long enough that the player does not start it
        // again during a test (it loses its own sync when it does): white flashes and 1 kHz beeps of 100 ms at
        // the same times. Each picture of a flash is one step darker than the
        // one before, so that a recorded frame tells which picture of the
        // flash it caught, and so when the flash began to within half a
        // picture.
        QString steps;
        for (int k = 0; k < kFlashPictures; ++k) {
            QString when;
            for (double t : flashTimes(kMediaLength_s)) {
                if (!when.isEmpty()) when += "+";
                when += QString("between(t,%1,%2)")
                            .arg(t + k / kSourceRate, 0, 'f', 4)
                            .arg(t + (k + 1) / kSourceRate - 0.001, 0, 'f', 4);
            }
            const int level = 255 - kLevelStep * k;
            steps += QString(",drawbox=c=0x%1:t=fill:enable='%2'").arg(level * 0x010101, 6, 16, QChar('0')).arg(when);
        }
        QString beeps;
        for (double t : flashTimes(kMediaLength_s)) {
            if (!beeps.isEmpty()) beeps += "+";
            beeps += QString("between(t,%1,%2)").arg(t, 0, 'f', 2).arg(t + kFlash_s - 0.001, 0, 'f', 3);
        }
        // The beeps are made sample by sample, so they start exactly with the flashes.
        // A small moving pattern in a corner changes every picture, so that
        // every frame of the recording is a new one.
        const QString length = QString::number(kMediaLength_s);
        run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=c=black:s=320x240:r=60:d=" + length, "-f",
                       "lavfi", "-i", "testsrc=s=32x16:r=60:d=" + length, "-f", "lavfi", "-i",
                       QString("aevalsrc=exprs='if(%1,0.5*sin(2*PI*1000*t),0)':s=44100:d=%2").arg(beeps, length),
                       "-filter_complex", "[0:v][1:v]overlay" + steps + "[v]", "-map", "[v]", "-map", "2:a", "-c:v",
                       "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le", media_});
        RecordingDesktopTest::SetUp();
        // The player's first seconds: its sound starts late and its pictures
        // catch up.
        QTest::qWait(kPlayerSettle_ms);
    }

    QStringList playerInput() const override { return {"-loop", "0", media_}; }
    bool playsTone() const override { return false; }

    void wmv(Settings& s) {
        s.protocol = 1;
        s.videoBitrate = 1200;
        s.audioBitrate = 64;
        s.frameRate = kFrameRate;
    }
    void mpeg2(Settings& s) {
        s.protocol = 0;
        s.videoBitrate = 3000;
        s.audioBitrate = 128;
        s.audioSource = "VozEza5";
        s.frameRate = kFrameRate;
        mpeg2Path = &path;
    }

    using Event = std::pair<int, std::function<void()>>;
    // Records for `total_ms` of running time; each event's action runs at its
    // time (ms from the start of the recording).
    std::string recordWith(const std::string& file, const std::function<void(Settings&)>& change, int total_ms,
                           const std::vector<Event>& events = {}) {
        const std::string out = startRecording(file, change);
        QElapsedTimer clock;
        clock.start();
        // The stop keeps the graph running one more second.
        total_ms -= 1000;
        for (const auto& [at_ms, action] : events) {
            QTest::qWait(static_cast<int>(std::max<qint64>(0, at_ms - clock.elapsed())));
            action();
        }
        QTest::qWait(static_cast<int>(std::max<qint64>(0, total_ms - clock.elapsed())));
        graph->stop();
        runningTime_s = static_cast<double>(clock.elapsed()) / 1000.0;
        graph->tearDownAndRelease();
        return out;
    }

    static double startOf(const std::string& file, const char* stream) {
        const std::string text = run("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                                                 "stream=start_time", "-of", "csv=p=0", QString::fromStdString(file)});
        return text.empty() ? 0 : std::stod(text);
    }

    // Decodes the file as a player presents it: frames at their times, the
    // sound placed by its time stamps (silence where it has none).
    static Sync measure(const std::string& file) {
        Sync sync;
        const std::string frames =
            run("ffprobe", {"-v", "error", "-f", "lavfi", "-i", QString("movie=%1,signalstats").arg(QString::fromStdString(file)),
                            "-show_entries", "frame=pts_time:frame_tags=lavfi.signalstats.YAVG", "-of", "csv=p=0"});
        std::istringstream lines(frames);
        std::string line;
        struct Frame {
            double time, level;  // seconds, mean luma
            bool bright() const { return level > 80; }
        };
        std::vector<Frame> shown;
        while (std::getline(lines, line)) {
            const auto comma = line.find(',');
            if (comma == std::string::npos) continue;
            shown.push_back({std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1))});
        }
        sync.frames = static_cast<int>(shown.size());
        for (std::size_t i = 1; i < shown.size(); ++i)
            if (shown[i].time - shown[i - 1].time > sync.largestVideoGap) {
                sync.largestVideoGap = shown[i].time - shown[i - 1].time;
                sync.largestVideoGapAt = shown[i - 1].time;
            }
        // A frame is a moment of the screen. The first bright frame of a
        // flash caught its picture k, which the player showed from k/60 s
        // after the flash began until the next: the flash began between
        // (k+1)/60 and k/60 before the frame. The brightest level a flash
        // reaches is its picture 0.
        double first = 0;
        for (const auto& f : shown) first = std::max(first, f.level);
        const double step = kLevelStep * 219.0 / 255.0;  // in limited-range luma
        for (std::size_t i = 1; i < shown.size(); ++i) {
            if (!shown[i].bright() || shown[i - 1].bright()) continue;
            std::size_t end = i;
            while (end + 1 < shown.size() && shown[end + 1].bright()) ++end;
            // Shown much longer than it lasts: the player stumbled (it shares
            // the machine with the recording).
            if (shown[end].time - shown[i].time > kFlash_s + 1.5 / kFrameRate) {
                ++sync.stumbles;
                continue;
            }
            const double k = std::max(0.0, std::round((first - shown[i].level) / step));
            sync.flashes.push_back(shown[i].time - (k + 0.5) / kSourceRate);
        }
        const std::string pcm = run("ffmpeg", {"-v", "error", "-copyts", "-i", QString::fromStdString(file), "-map",
                                               "0:a", "-af", "aresample=async=1:first_pts=0", "-ac", "1", "-ar",
                                               "44100", "-f", "s16le", "-"});
        const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.data());
        const std::size_t count = pcm.size() / 2;
        constexpr std::size_t kWindow = 44;  // 1 ms
        std::vector<double> levels;
        for (std::size_t at = 0; at + kWindow <= count; at += kWindow) {
            double sum = 0;
            for (std::size_t i = at; i < at + kWindow; ++i) sum += static_cast<double>(samples[i]) * samples[i];
            levels.push_back(std::sqrt(sum / kWindow));
        }
        const double loudest = levels.empty() ? 0 : *std::max_element(levels.begin(), levels.end());
        std::vector<double> beeps;
        for (std::size_t i = 1; i < levels.size(); ++i)
            if (levels[i] > loudest / 4 && levels[i - 1] <= loudest / 4)
                beeps.push_back(static_cast<double>(i * kWindow) / 44100.0);
        const double soundEnd = static_cast<double>(count) / 44100.0;
        sync.videoStart = startOf(file, "v");
        sync.audioStart = startOf(file, "a");
        std::vector<double> paired;
        for (double flash : sync.flashes) {
            // A beep cut by either end of the sound has no onset to find.
            if (flash > soundEnd - 0.3 || flash < sync.audioStart + kPlayerSettling_s) continue;
            double best = 1e9;
            for (double beep : beeps)
                if (std::abs(beep - flash) < std::abs(best)) best = beep - flash;
            paired.push_back(flash);
            sync.offsets.push_back(best);
        }
        sync.flashes = paired;
        sync.duration = probeDuration(file);
        return sync;
    }

    // Leaves out the flashes from `from_s` to `to_s` of the recording (while
    // no sound was heard, and while the player recovers).
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

    // What every recording must show, stalls or not.
    void expectInSync(const Sync& sync, double length_s) {
        RecordProperty("sync", sync.text());
        std::cout << "      sync: " << sync.text() << "\n";
        // About one flash in 1.3 s; a few the player shows wrongly when the
        // shared machine is busy.
        EXPECT_GE(sync.offsets.size(), static_cast<std::size_t>(length_s / 1.3) - 4) << sync.text();
        EXPECT_LE(sync.stumbles, 3) << sync.text();
        EXPECT_LE(sync.worst(), kWorstOffset_s) << sync.text();
        // The first pictures a busy machine drops as late start the picture
        // later, each on its own time.
        if (lastFrameCounts().find(kNoneDropped) != std::string::npos) {
            EXPECT_NEAR(sync.videoStart, sync.audioStart, kStartsApart_s);
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
    QString media_;
};

TEST_F(SoundSyncTest, FlashesAndBeepsStayTogetherInBothFormats) {
    for (const bool wmvFormat : {true, false}) {
        SCOPED_TRACE(wmvFormat ? "WMV" : "MPEG-2");
        const std::string file = recordWith(wmvFormat ? "sync.wmv" : "sync.mpg", [&](Settings& s) {
            if (wmvFormat) wmv(s);
            else mpeg2(s);
        }, 20000);
        Sync sync = measure(file);
        expectInSync(sync, 18);
        // The log says whether the machine kept up.
        const auto& lines = log.lines();
        for (const char* count : {"frames captured", "frames encoded"})
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                    [count](const std::string& l) { return l.find(count) != std::string::npos; }))
                << count;
        // When it did (the machine is shared), no frame is missing, and the
        // count fits the time. A WMV file leaves out the frames that showed
        // nothing new (the player lagged): it has gaps then, by design.
        const std::string counts = lastFrameCounts();
        const bool keptUp = counts.find(kNoneDropped) != std::string::npos &&
                            (!wmvFormat || counts.find(" 0 unchanged") != std::string::npos);
        if (keptUp) {
            EXPECT_LE(sync.largestVideoGap, kLargestVideoGap_s) << counts;
            EXPECT_NEAR(sync.frames, sync.duration * kFrameRate, 0.01 * sync.duration * kFrameRate) << counts;
        } else {
            std::cout << "      the machine was busy: " << counts << "\n";
        }
        mpeg2Path = nullptr;
    }
}

TEST_F(SoundSyncTest, StallsOfTheSoundLeaveItInSyncAfterwards) {
    run("pactl", {"load-module", "module-null-sink", "sink_name=silent"});
    run("pactl", {"suspend-sink", "silent", "1"});
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
    const std::string file = recordWith("stalls.wmv", [&](Settings& s) { wmv(s); }, 20000, events);
    EXPECT_FALSE(moved.empty());
    Sync sync = measure(file);
    // While the speakers are suspended nothing is played, and the player needs
    // seconds once they are back (its own sound lagged its pictures by 200 ms
    // two seconds later); the moved stream is silence. What counts is before
    // the first stall and after the last.
    leaveOut(sync, 4.5, 14.5);
    RecordProperty("sync", sync.text());
    std::cout << "      sync: " << sync.text() << "\n";
    EXPECT_LE(sync.worst(), kWorstOffset_s) << sync.text();
    if (lastFrameCounts().find(kNoneDropped) != std::string::npos) {
        EXPECT_NEAR(sync.videoStart, sync.audioStart, kStartsApart_s);
    }
    // Pairs after the last stall are there, and as close as before.
    EXPECT_GE(std::count_if(sync.flashes.begin(), sync.flashes.end(), [&](double t) { return t - sync.videoStart > 14.5; }),
              3)
        << sync.text();
    EXPECT_NEAR(sync.duration, runningTime_s, 0.5);
}

TEST_F(SoundSyncTest, ASoundServerRestartLeavesSilenceAndSoundAfterIt) {
    const QString script = TALVORA_SOURCE_DIR "/scripts/virtual-desktop";
    QProcess beeps;
    const std::vector<Event> events = {
        {4000, [&] { run(script, {"stop-sound"}); }},
        {7000,
         [&] {
             run(script, {"start-sound"});
             // The player lost its sound with the server; a tone plays on the new one.
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
