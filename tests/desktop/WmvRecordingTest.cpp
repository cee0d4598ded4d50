// A real recording on the virtual desktop: a moving test pattern in a window
// titled "Zoom Meeting" and a 440 Hz tone on the speakers, recorded through
// the recording graph with the real filters, then probed and decoded.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "app/SettingsStore.h"
#include "capture/GraphToolkit.h"
#include "capture/RecordingGraph.h"
#include "platform/audio/fake/FakeSoundPlayer.h"
#include "platform/audio/linux/PulseAudioSystem.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/core/linux/QtMessagePump.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/X11Windows.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/media/linux/AudioFilters.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/WriterFilters.h"
#include "platform/shell/fake/FakeFolders.h"
#include "platform/shell/fake/FakeLauncher.h"
#include "platform/shell/fake/FakeRegistry.h"
#include "platform/shell/fake/FakeSystemInfo.h"

namespace talvora {
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

std::string run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput().toStdString();
}

// Dominant frequency of mono 16-bit samples by counting zero crossings.
double zeroCrossingFrequency(const std::string& pcm, int rate) {
    const auto* s = reinterpret_cast<const std::int16_t*>(pcm.data());
    const std::size_t n = pcm.size() / 2;
    std::size_t crossings = 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
    return n == 0 ? 0 : crossings / 2.0 / (static_cast<double>(n) / rate);
}

class WmvRecordingTest : public ::testing::Test {
protected:
    WmvRecordingTest()
        : platformServices{messageBox, log, pump, process, folders, launcher, registryValues, system, windows,
                           messages, display, sound},
          ctx(platformServices),
          store(ctx),
          toolkit(registry, log, pages) {}

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            GTEST_SKIP() << "needs the virtual desktop";
        const std::string root = dir.path().toStdString();
        folders.program = TALVORA_PROGRAM_DIR;
        folders.appData = root + "/config";
        folders.videosFolder = root + "/Videos";
        previous = std::filesystem::current_path();
        std::filesystem::current_path(TALVORA_PROGRAM_DIR);
        store.prepareDataFolder();
        store.read();

        platform::registerVideoFilters(registry, log);
        platform::registerAudioFilters(registry, audio, log);
        platform::registerWriterFilters(registry, log);

        pattern.start("ffplay", {"-loglevel", "quiet", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=15",
                                 "-window_title", "Zoom Meeting", "-left", "40", "-top", "40", "-noborder"});
        ASSERT_TRUE(waitFor([&] { return windows.isVisible(windows.find("Zoom Meeting")); }, 10000));
        QTest::qWait(500);
        run("sox", {"-n", "-r", "44100", "-c", "2", QString::fromStdString(root + "/tone.wav"), "synth", "12", "sine",
                    "440", "vol", "0.5"});
        tone.start("paplay", {QString::fromStdString(root + "/tone.wav")});
    }

    void TearDown() override {
        graph.reset();
        for (QProcess* p : {&pattern, &tone}) {
            p->kill();
            p->waitForFinished(3000);
        }
        if (!previous.empty()) std::filesystem::current_path(previous);
    }

    static bool waitFor(const std::function<bool()>& condition, int timeout_ms) {
        for (int waited = 0; waited < timeout_ms; waited += 100) {
            if (condition()) return true;
            QTest::qWait(100);
        }
        return condition();
    }

    // Records the "Zoom Meeting" window for `total_ms` of running time; the
    // stop itself keeps the graph running one more second, as the user sees
    // it. `pauseAt_ms` < 0 records straight through.
    std::string record(int total_ms, int pauseAt_ms = -1, int pause_ms = 0) {
        total_ms -= 1000;
        const platform::Rect r = windows.rect(windows.find("Zoom Meeting"));
        Settings& s = ctx.settings;
        s.protocol = 1;
        s.xTop = r.left;
        s.yTop = r.top;
        s.xBottom = r.right;
        s.yBottom = r.bottom;
        s.frameRate = 15;
        s.bitcount = 32;
        s.videoBitrate = 1200;
        s.audioBitrate = 64;
        s.setTopWindow = 1;
        s.audioOnly = s.videoOnly = s.dualAudio = 0;
        store.write();
        const std::string out = dir.filePath("Zoom_test.wmv").toStdString();
        graph = std::make_unique<RecordingGraph>(ctx, store, toolkit, registry, host);
        graph->createGraph();
        EXPECT_EQ(graph->buildAndRun(out, {}), 1) << (messageBox.texts().empty() ? "" : messageBox.texts().back());
        if (pauseAt_ms >= 0) {
            QTest::qWait(pauseAt_ms);
            graph->pause();
            QTest::qWait(pause_ms);
            graph->run();
            QTest::qWait(total_ms - pauseAt_ms);
        } else {
            QTest::qWait(total_ms);
        }
        graph->stop();
        graph->tearDownAndRelease();
        return out;
    }

    static double probeDuration(const std::string& file) {
        return std::stod(run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                         QString::fromStdString(file)}));
    }

    QTemporaryDir dir;
    platform::FakeMessageBox messageBox;
    platform::FakeLog log;
    platform::QtMessagePump pump;
    platform::FakeProcessControl process;
    platform::FakeFolders folders;
    platform::FakeLauncher launcher;
    platform::FakeRegistry registryValues;
    platform::FakeSystemInfo system;
    platform::X11Windows windows;
    platform::X11WindowMessages messages;
    platform::X11Display display;
    platform::FakeSoundPlayer sound;
    Platform platformServices;
    AppContext ctx;
    SettingsStore store;
    platform::PulseAudioSystem audio;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    NoWindowHost host;
    std::unique_ptr<RecordingGraph> graph;
    QProcess pattern;
    QProcess tone;
    std::filesystem::path previous;
};

TEST_F(WmvRecordingTest, RecordsTheWindowAndTheToneIntoWindowsMedia) {
    const std::string file = record(5000);
    const std::string streams = run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height",
                                                "-of", "csv=p=0", QString::fromStdString(file)});
    const Settings& s = ctx.settings;
    const std::string size = std::to_string(s.xBottom - s.xTop) + "," + std::to_string(s.yBottom - s.yTop);
    EXPECT_NE(streams.find("wmv1," + size), std::string::npos) << streams;
    EXPECT_NE(streams.find("wmav2"), std::string::npos) << streams;
    const double duration = probeDuration(file);
    EXPECT_GE(duration, 4.5);
    EXPECT_LE(duration, 5.5);

    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(file), "-vn", "-ac", "1", "-ar", "44100",
                            "-f", "s16le", "-"});
    decode.waitForFinished(60000);
    const std::string pcm = decode.readAllStandardOutput().toStdString();
    // Skip the first half second, where the encoder's priming sits.
    EXPECT_NEAR(zeroCrossingFrequency(pcm.substr(std::min<std::size_t>(pcm.size(), 44100)), 44100), 440.0, 15.0);

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
    const std::string file = record(5000, 2000, 2000);
    const double duration = probeDuration(file);
    EXPECT_GE(duration, 4.5);
    EXPECT_LE(duration, 5.5);
}

}  // namespace
}  // namespace talvora
