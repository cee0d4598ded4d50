#include "RecordingDesktopTest.h"

#include "DesktopWait.h"

#include <QElapsedTimer>
#include <cmath>

#include <QTest>

#include <algorithm>
#include <cstdint>

#include "platform/media/linux/AudioFilters.h"
#include "platform/media/linux/Mpeg2Filters.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/WriterFilters.h"

namespace talvora::test {

namespace {

struct NoWindowHost : RecordingHost {
    platform::WindowId recorderWindow() override { return 0; }
    void restartPreview() override {}
    bool startMinimised() override { return false; }
    int pauseState() override { return 0; }
    void minimiseRecorder() override {}
    void setPlayPauseCaption(const std::string&) override {}
    void setRecordCaption(const std::string&) override {}
    void refreshLayeredStyle() override {}
    bool createClonePanel() override { return false; }
    void destroyClonePanel() override {}
    ClientLayout clientLayout() override { return {}; }
    void closeProgram() override {}
    void clearRecordingFlag() override {}
};


}  // namespace

RecordingDesktopTest::RecordingDesktopTest(QString pattern)
    : platformServices{messageBox, log, pump, process, folders, launcher, registryValues, system, windows,
                       messages, display, sound},
      ctx(platformServices),
      store(ctx),
      toolkit(registry, log, pages),
      host(std::make_unique<NoWindowHost>()),
      pattern_(std::move(pattern)) {}

void RecordingDesktopTest::SetUp() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        GTEST_SKIP() << "needs the virtual desktop";
    const std::string root = dir.path().toStdString();
    folders.program = TALVORA_PROGRAM_DIR;
    folders.appData = root + "/config";
    folders.videosFolder = root + "/Videos";
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(TALVORA_PROGRAM_DIR);
    store.prepareDataFolder();
    store.read();

    platform::registerVideoFilters(registry, screen, log);
    platform::registerAudioFilters(registry, audio, log);
    platform::registerWriterFilters(registry, log);
    platform::registerMpeg2Filters(registry, log);

    const QStringList command = meetingCommand();
    meetingWindow_.start(command.front(), command.mid(1));
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(windows.find("Zoom Meeting")); }, 10000));
    QTest::qWait(500);
    if (!playsTone()) return;
    run("sox", {"-n", "-r", "44100", "-c", "2", QString::fromStdString(root + "/tone.wav"), "synth", "12", "sine",
                "440", "vol", "0.5"});
    tone_.start("paplay", {QString::fromStdString(root + "/tone.wav")});
}

QStringList RecordingDesktopTest::meetingCommand() const {
    return {"ffplay", "-loglevel", "quiet", "-f",   "lavfi", "-i",        pattern_, "-window_title", "Zoom Meeting",
            "-left",  "40",       "-top",  "40", "-noborder"};
}

void RecordingDesktopTest::TearDown() {
    graph.reset();
    stopMeeting();
    if (!previous_.empty()) std::filesystem::current_path(previous_);
}

void RecordingDesktopTest::captureMeeting(Settings& s) {
    const platform::Rect r = windows.rect(windows.find("Zoom Meeting"));
    s.xTop = r.left;
    s.yTop = r.top;
    s.xBottom = r.right;
    s.yBottom = r.bottom;
    s.frameRate = 15;
    s.bitcount = 32;
    s.audioOnly = s.videoOnly = s.dualAudio = 0;
}

void RecordingDesktopTest::stopMeeting() {
    for (QProcess* p : {&meetingWindow_, &tone_}) {
        p->kill();
        p->waitForFinished(3000);
    }
}

std::string RecordingDesktopTest::startRecording(const std::string& file,
                                                 const std::function<void(Settings&)>& change) {
    Settings& s = ctx.settings;
    captureMeeting(s);
    change(s);
    store.write();
    const std::string out = dir.filePath(QString::fromStdString(file)).toStdString();
    graph = std::make_unique<RecordingGraph>(ctx, store, toolkit, registry, *host);
    if (mpeg2Path != nullptr) graph->setMpeg2Path(mpeg2Path);
    graph->createGraph();
    EXPECT_EQ(graph->buildAndRun(out, {}, false), 1) << (messageBox.texts().empty() ? "" : messageBox.texts().back());
    return out;
}

std::string RecordingDesktopTest::record(const std::string& file, const std::function<void(Settings&)>& change,
                                         int total_ms, int pauseAt_ms, int pause_ms) {
    total_ms -= 1000;
    const std::string out = startRecording(file, change);
    QElapsedTimer clock;  // the graph runs from the end of buildAndRun to the end of stop
    clock.start();
    qint64 paused_ms = 0;
    if (pauseAt_ms >= 0) {
        QTest::qWait(pauseAt_ms);
        QElapsedTimer pause;  // until run() returns: it waits a second before the graph runs again
        pause.start();
        graph->pause();
        QTest::qWait(pause_ms);
        graph->run();
        paused_ms = pause.elapsed();
        QTest::qWait(total_ms - pauseAt_ms);
    } else {
        QTest::qWait(total_ms);
    }
    graph->stop();
    runningTime_s = static_cast<double>(clock.elapsed() - paused_ms) / 1000.0;
    graph->tearDownAndRelease();
    return out;
}

std::string RecordingDesktopTest::run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput().toStdString();
}

double RecordingDesktopTest::probeDuration(const std::string& file) {
    return std::stod(
        run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", QString::fromStdString(file)}));
}

std::string RecordingDesktopTest::decodedSound(const std::string& file) {
    const std::string pcm = run("ffmpeg", {"-v", "error", "-i", QString::fromStdString(file), "-vn", "-ac", "1", "-ar",
                                           "44100", "-f", "s16le", "-"});
    // Half a second of 16-bit mono is 44100 bytes.
    constexpr std::size_t kHalfSecond = 44100;
    return pcm.size() > 2 * kHalfSecond ? pcm.substr(kHalfSecond, pcm.size() - 2 * kHalfSecond) : std::string();
}

double RecordingDesktopTest::dominantFrequency(const std::string& pcm, int rate) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.data());
    const std::size_t n = pcm.size() / 2;
    double best = 0;
    double bestPower = -1;
    for (double frequency = 200; frequency <= 1200; frequency += 5) {
        const double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
        double previous = 0;
        double beforePrevious = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double current = samples[i] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
        }
        const double power =
            previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
        if (power > bestPower) {
            bestPower = power;
            best = frequency;
        }
    }
    return best;
}

}  // namespace talvora::test
