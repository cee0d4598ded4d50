// A recording whose stop never returns: the stop watchdog ends the process
// with its message, and what was recorded stays readable.
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "RecordingDesktopTest.h"
#include "platform/core/linux/ExitProcessControl.h"
#include "platform/media/Filter.h"
#include "targets/TrackerHost.h"
#include "targets/WindowTracker.h"
#include "ui/RecordingSession.h"
#include "ui/SessionUi.h"

namespace talvora {
namespace {

constexpr const char* kFolderVariable = "TALVORA_HANGING_STOP_FOLDER";

// A link of a chain of filters whose head never returns from its stop, as a
// capture device whose driver hangs. Sources stop first, and the chain is
// deeper than the recording graph, so the head stops before anything else.
class ChainFilter : public platform::Filter {
public:
    ChainFilter(bool head, bool tail) : Filter("{chain-filter}"), head_(head) {
        if (!head) addPin("In", platform::PinDirection::Input);
        if (!tail) addPin("Out", platform::PinDirection::Output);
    }
    platform::MediaType offeredType(const platform::Pin&) const override {
        return platform::MediaType::ofVideo({});
    }
    platform::HRESULT changeState(platform::FilterState, platform::FilterState to, platform::StreamClock&) override {
        while (head_ && to == platform::FilterState::Stopped) std::this_thread::sleep_for(std::chrono::hours(1));
        return platform::S_OK;
    }

private:
    bool head_;
};

void addHangingChain(platform::FilterGraph& graph) {
    constexpr int kLength = 16;
    platform::Pin* previous = nullptr;
    for (int i = 0; i < kLength; ++i) {
        auto link = std::make_shared<ChainFilter>(i == 0, i == kLength - 1);
        graph.addFilter(link, "Chain " + std::to_string(i));
        if (previous != nullptr) graph.connectDirect(previous, link->findPin(platform::PinDirection::Input, "In"));
        previous = link->findPin(platform::PinDirection::Output, "Out");
    }
}

// The process's message boxes go to standard error, where the test reads them.
struct StderrMessageBox : platform::MessageBox {
    int show(const std::string& text, platform::MessageButtons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return platform::IDOK;
    }
};

// A recorder window that is never shown.
struct HiddenRecorder : SessionUi, TrackerHost {
    void stopTimer() override {}
    void startTimer() override {}
    void setRecordCaption(const std::string&) override {}
    void setPlayPauseCaption(const std::string&) override {}
    void setMicPicture(bool) override {}
    void showStatus(const std::string&) override {}
    void hideRecorder() override {}
    void showRecorderRestored() override {}
    void restartPreview() override {}
    void closeProgram() override {}
    void closeSettingsDialog() override {}
    bool audioSetupOpen() override { return false; }
    int markingState() override { return 0; }
    void closeMarkingWindow() override {}
    platform::Rect recorderRect() override { return {}; }
    void showTip(int) override {}
    void setTipText(const std::string&) override {}
    bool previewReady() override { return false; }
    void startTimer(int) override {}
    bool regionFrameShown() override { return false; }
    bool converting() override { return false; }
};

class HangingStopTest : public test::RecordingDesktopTest {
protected:
    HangingStopTest() : RecordingDesktopTest("testsrc=size=640x480:rate=15") {}

    // Runs in the death test's own process: records three seconds into the
    // folder the test named, then stops with a filter that hangs.
    void recordAndHang() {
        // The test's own meeting window and tone go on; the ones this process
        // started would outlive it and keep the test waiting for their output.
        stopMeeting();
        QFile::remove(dir.filePath("tone.wav"));  // the process ends without cleaning up
        platform::ExitProcessControl exitControl;
        StderrMessageBox box;
        Platform services{box,     log,      pump,    exitControl, folders, launcher, registryValues,
                          system,  windows,  messages, display,    sound};
        AppContext app(services);
        SettingsStore settings(app);
        settings.prepareDataFolder();
        settings.read();
        Settings& s = app.settings;
        captureMeeting(s);
        s.protocol = 1;
        s.recordingFolder = std::getenv(kFolderVariable);
        settings.write();

        HiddenRecorder recorder;
        WindowTracker tracker(app, settings, recorder);
        RecordingGraph recording(app, settings, toolkit, registry, *host);
        recording.createGraph();
        addHangingChain(*recording.graph());
        RecordingSession session(app, settings, recording, tracker, recorder);
        session.startStopToggle();
        if (!app.recording) return;  // a failed start ends the statement: the test fails
        QTest::qWait(3000);
        session.startStopToggle();
    }
};

TEST_F(HangingStopTest, WatchdogEndsTheProcessAndTheFileStaysReadable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's process runs this body again: it keeps the folder.
    if (qEnvironmentVariableIsEmpty(kFolderVariable)) qputenv(kFolderVariable, dir.filePath("recordings").toUtf8());
    const QString folder = qEnvironmentVariable(kFolderVariable);
    ASSERT_TRUE(QDir().mkpath(folder));

    EXPECT_EXIT(recordAndHang(), ::testing::ExitedWithCode(0),
                "Recording error\\. Recorded file is saved\\.\n\nClick OK to exit\\.");

    const QStringList files = QDir(folder).entryList({"*.wmv"}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const std::string file = QDir(folder).filePath(files.front()).toStdString();
    // The header never got its sizes, but the three seconds decode: at
    // least two of them at 15 frames per second, with the sound.
    const std::string streams = run("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                                                "stream=codec_name,nb_read_frames", "-of", "csv=p=0",
                                                QString::fromStdString(file)});
    const QStringList lines = QString::fromStdString(streams).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << streams;
    for (const QString& line : lines) {
        const QStringList fields = line.split(',');
        ASSERT_EQ(fields.size(), 2) << streams;
        EXPECT_TRUE(fields[0] == "wmv1" || fields[0] == "wmav2") << streams;
        if (fields[0] == "wmv1") EXPECT_GE(fields[1].toInt(), 30) << streams;
        else EXPECT_GE(fields[1].toInt(), 40) << streams;
    }
}

}  // namespace
}  // namespace talvora
