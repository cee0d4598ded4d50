#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <functional>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "capture/FakeRecordingFilters.h"
#include "capture/RecordingGraph.h"
#include "library/FileNotices.h"
#include "platform/desktop/fake/FakeNotifications.h"
#include "platform/desktop/fake/FakeScreenSource.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "targets/TrackerHost.h"
#include "targets/WindowTracker.h"
#include "ui/RecordingSession.h"
#include "ui/SessionUi.h"

namespace talvora {
namespace {

struct FakeSessionUi : SessionUi, TrackerHost {
    void stopTimer() override { timerRunning = false; }
    void startTimer() override { timerRunning = true; }
    void setRecordCaption(const std::string& text) override { recordCaption = text; }
    void setPlayPauseCaption(const std::string& text) override { playCaption = text; }
    void setMicPicture(bool) override {}
    void showStatus(const std::string& text) override { status = text; }
    void hideRecorder() override { hidden = true; }
    void showRecorderRestored() override { hidden = false; }
    void restartPreview() override {}
    void closeProgram() override { ++closeRequests; }
    void closeSettingsDialog() override {}
    bool audioSetupOpen() override { return audioSetupShown; }
    int markingState() override { return 0; }
    void closeMarkingWindow() override {}
    platform::Rect recorderRect() override { return {1500, 800, 1700, 950}; }
    void showTip(int tip) override { tips.push_back(tip); }
    void setTipText(const std::string& text) override { tipTexts.push_back(text); }
    bool previewReady() override { return false; }
    void startTimer(int) override { timerRunning = true; }
    bool regionFrameShown() override { return false; }
    bool converting() override { return false; }

    int closeRequests = 0;
    bool audioSetupShown = false;
    bool timerRunning = false;
    bool hidden = false;
    std::string recordCaption;
    std::string playCaption;
    std::string status;
    std::vector<int> tips;
    std::vector<std::string> tipTexts;
};

class RecordingSessionTest : public ::testing::Test {
protected:
    RecordingSessionTest()
        : store(fp.ctx),
          programFolder(fp, store),
          toolkit(registry, fp.log, pages),
          tracker(fp.ctx, store, ui),
          graph(fp.ctx, store, toolkit, registry, host) {
        test::registerFakeRecordingFilters(registry, screens, audioSetups);
        fp.ctx.settings.protocol = 1;
        fp.ctx.settings.dualAudio = 0;  // the speakers alone: no second source to choose
        store.write();
        graph.createGraph();
        session = std::make_unique<RecordingSession>(fp.ctx, store, graph, tracker, ui);
        session->setClock([this] { return graph.startTime() + seconds * 10000000LL; });
    }
    ~RecordingSessionTest() override { session.reset(); }

    // One tick of the timer, `seconds` after the recording's start.
    void tickAt(int t) {
        seconds = t;
        session->recordingStep();
    }
    void growOutputFile() { std::ofstream(tracker.recordingPath(), std::ios::app) << "data"; }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder programFolder;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    FakeSessionUi ui;
    test::FakeHost host;
    WindowTracker tracker;
    RecordingGraph graph;
    std::vector<std::shared_ptr<test::FakeScreen>> screens;
    std::vector<platform::AudioCaptureSetup> audioSetups;
    std::unique_ptr<RecordingSession> session;
    int seconds = 0;
};

TEST_F(RecordingSessionTest, FileTimeLimitCountsPausesOut) {
    fp.ctx.settings.maxFileTime = 60;
    store.write();
    session->startStopToggle();
    ASSERT_TRUE(session->recording()) << (fp.messageBox.texts().empty() ? "" : fp.messageBox.texts().back());
    EXPECT_EQ(ui.recordCaption, "STOP");
    growOutputFile();
    for (int t = 1; t <= 20; ++t) tickAt(t);
    EXPECT_EQ(ui.status, "Recording: 0.00 MB  00:00:20/00:01:00");
    session->onHotkeyRequest(1);  // pause
    tickAt(21);
    EXPECT_EQ(session->pauseState(), 2);
    EXPECT_EQ(graph.graph()->state(), platform::FilterState::Paused);
    for (int t = 22; t <= 31; ++t) tickAt(t);
    session->onHotkeyRequest(1);  // resume
    tickAt(32);
    EXPECT_EQ(graph.graph()->state(), platform::FilterState::Running);
    for (int t = 33; t < 70; ++t) tickAt(t);
    EXPECT_TRUE(session->recording());
    tickAt(70);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(fp.messageBox.texts().back(), "Recording Stopped. File time exceeded");
    EXPECT_EQ(fp.sound.played.back(), "./ding.wav");
}

TEST_F(RecordingSessionTest, AFileThatStaysEmptyStopsAfterThirtyTicks) {
    session->startStopToggle();
    ASSERT_TRUE(session->recording());
    for (int t = 1; t < 30; ++t) tickAt(t);
    EXPECT_TRUE(session->recording());
    tickAt(30);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(fp.messageBox.texts().back(), "Recording error (x013). Talvora will close now");
}

TEST_F(RecordingSessionTest, DualAudioWithoutSecondSourceRefusesEveryStart) {
    fp.ctx.settings.dualAudio = 1;
    fp.ctx.settings.audioSource1.clear();
    fp.ctx.settings.showVideo = 0;
    for (int attempt = 0; attempt < 2; ++attempt) session->startStopToggle();
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(ui.tipTexts, std::vector<std::string>(2, ""));  // without a preview the tip is cleared first
    EXPECT_EQ(fp.messageBox.texts(),
              std::vector<std::string>(2, "No second audio source specified for dual audio. Open Audio Setup and "
                                          "select a Microphone or Line In."));
}

TEST_F(RecordingSessionTest, NoStartWhileAudioSetupTestsOnTheGraph) {
    ui.audioSetupShown = true;
    session->onHotkeyRequest(0);
    tickAt(0);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(graph.graph()->state(), platform::FilterState::Stopped);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Close Audio Setup before you start a recording."});
    ui.audioSetupShown = false;
    tickAt(1);
    EXPECT_FALSE(session->recording()) << "the refused request is not carried over";
    session->startStopToggle();
    EXPECT_TRUE(session->recording());
}

TEST_F(RecordingSessionTest, HotkeyStartHidesWithoutAskingAndSecondPressStops) {
    // The recorder window overlaps the capture rectangle, but a hotkey start does not ask.
    fp.ctx.environment.notWindows7 = true;
    fp.ctx.settings.xTop = 1400;
    fp.ctx.settings.yTop = 700;
    fp.ctx.settings.xBottom = 1800;
    fp.ctx.settings.yBottom = 1000;
    store.write();
    session->onHotkeyRequest(0);
    EXPECT_EQ(ui.status, "Initialize recording...");
    tickAt(0);
    ASSERT_TRUE(session->recording());
    EXPECT_TRUE(ui.hidden);
    EXPECT_TRUE(fp.messageBox.shown().empty());
    session->onHotkeyRequest(0);
    growOutputFile();
    tickAt(2);
    EXPECT_FALSE(session->recording());
    EXPECT_FALSE(ui.hidden);
}

TEST_F(RecordingSessionTest, AStopTellsTheDesktopWhereTheRecordingWent) {
    platform::FakeNotifications notifications;
    FileNotices notices(fp.ctx, notifications);
    fp.ctx.notices = &notices;
    for (const bool written : {false, true}) {
        session->onHotkeyRequest(0);
        tickAt(0);
        ASSERT_TRUE(session->recording());
        if (written) growOutputFile();
        session->onHotkeyRequest(0);
        tickAt(2);
        ASSERT_FALSE(session->recording());
    }
    // Only the recording that holds something is told of.
    const auto sent = notifications.sent();
    ASSERT_EQ(sent.size(), 1u);
    const std::filesystem::path path = tracker.recordingPath();
    EXPECT_EQ(sent[0].summary, "Recording saved");
    EXPECT_EQ(sent[0].body, path.filename().string() + "\nin " + path.parent_path().string());
    fp.ctx.notices = nullptr;
}

TEST_F(RecordingSessionTest, OverlapQuestionShowsTheHotkeyAsTheUserTypesIt) {
    fp.ctx.environment.notWindows7 = true;
    fp.ctx.settings.hotkey1 = "CTRL+83";
    fp.ctx.settings.xTop = 1400;
    fp.ctx.settings.yTop = 700;
    fp.ctx.settings.xBottom = 1800;
    fp.ctx.settings.yBottom = 1000;
    store.write();
    fp.messageBox.queueAnswer(platform::IDNO);
    session->startStopToggle();
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(fp.messageBox.texts().back(),
              "Talvora window overlaps the recording area. You can use the hotkey (CTRL+S) to start/stop recording "
              "and hide the Talvora.\n\nContinue anyway?");
}

TEST_F(RecordingSessionTest, MuteShowsTheTipUntilItIsSwitchedOff) {
    session->muteToggle();
    EXPECT_TRUE(session->muted());
    fp.ctx.settings.message = 2;
    session->muteToggle();
    EXPECT_EQ(ui.tips, std::vector<int>{2});
}

// Runs `action` once, inside the wait of `duration_ms` that comes `skip`
// waits of that length later: a click or hotkey arriving while the session
// dispatches messages.
void injectAt(platform::FakeMessagePump& pump, int duration_ms, std::function<void()> action, int skip = 0) {
    pump.onPump = [&pump, duration_ms, action, skip](int d) mutable {
        if (d != duration_ms || skip-- > 0) return;
        const std::function<void()> once = action;
        pump.onPump = nullptr;  // destroys this closure
        once();
    };
}

TEST_F(RecordingSessionTest, ClicksAndHotkeysInsideAStartAreDropped) {
    // The start dispatches messages for a second before it builds the graph.
    injectAt(fp.pump, 1000, [this] {
        EXPECT_EQ(session->state(), SessionState::Starting);
        session->startStopToggle();
        session->onHotkeyRequest(0);
        session->onHotkeyRequest(1);
    });
    session->startStopToggle();
    ASSERT_EQ(session->state(), SessionState::Recording);
    EXPECT_TRUE(fp.messageBox.texts().empty()) << fp.messageBox.texts().front();
    EXPECT_EQ(graph.graph()->state(), platform::FilterState::Running);
    growOutputFile();
    for (int t = 1; t <= 3; ++t) tickAt(t);
    EXPECT_EQ(session->state(), SessionState::Recording);  // nothing stale stops or pauses it
    session->startStopToggle();
    EXPECT_EQ(session->state(), SessionState::Idle);
    tickAt(4);
    EXPECT_FALSE(session->recording());  // and nothing stale starts another
}

TEST_F(RecordingSessionTest, ClicksAndHotkeysInsideAStopLeaveNoRequestBehind) {
    session->startStopToggle();
    growOutputFile();
    tickAt(1);
    // The stop dispatches messages while the window shows "Stopping".
    injectAt(fp.pump, 250, [this] {
        EXPECT_EQ(session->state(), SessionState::Stopping);
        session->startStopToggle();
        session->onHotkeyRequest(0);
    });
    session->startStopToggle();
    EXPECT_EQ(session->state(), SessionState::Idle);
    EXPECT_FALSE(graph.graph()->state() == platform::FilterState::Running);
    tickAt(2);
    EXPECT_FALSE(session->recording());
    // The next recording runs until it is stopped.
    session->startStopToggle();
    growOutputFile();
    for (int t = 1; t <= 3; ++t) tickAt(t);
    EXPECT_TRUE(session->recording());
}

TEST_F(RecordingSessionTest, AHotkeyInsideTheGraphStopIsNotCarriedIntoTheNextRecording) {
    session->startStopToggle();
    growOutputFile();
    // The graph's own stop waits a second; the recording flag is down by then.
    injectAt(fp.pump, 1000, [this] { session->onHotkeyRequest(0); });
    session->startStopToggle();
    EXPECT_FALSE(session->recording());
    session->startStopToggle();
    growOutputFile();
    tickAt(1);
    EXPECT_TRUE(session->recording());
}

TEST_F(RecordingSessionTest, StopsFollowingEachOtherNeverWaitForAnEarlierWatchdog) {
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < 3; ++round) {
        session->startStopToggle();
        growOutputFile();
        session->startStopToggle();
        ASSERT_FALSE(session->recording());
    }
    // A watch ends as soon as its stop is done; the UI thread joins none
    // that still runs.
    EXPECT_LT(clock.elapsed(), 500);
    for (int i = 0; i < 50 && session->watchdog().running() > 0; ++i) QThread::msleep(10);
    EXPECT_EQ(session->watchdog().running(), 0);
}

TEST_F(RecordingSessionTest, TheExitPathWaitsForAStartOrStopUnderWay) {
    injectAt(fp.pump, 1000, [this] {
        EXPECT_TRUE(session->deferExit());
        EXPECT_EQ(ui.closeRequests, 0);
    });
    session->startStopToggle();
    EXPECT_EQ(ui.closeRequests, 1);  // run again once the start had finished
    EXPECT_FALSE(session->deferExit());
}

TEST_F(RecordingSessionTest, MuteSetBeforeTheRecordingIsRecorded) {
    session->muteToggle();
    session->startStopToggle();
    ASSERT_TRUE(session->recording());
    ASSERT_FALSE(audioSetups.empty());
    EXPECT_NE(audioSetups.back().mute, 0);
}

TEST_F(RecordingSessionTest, AWriterThatFailsStopsTheRecordingAndSaysWhy) {
    session->onHotkeyRequest(0);
    tickAt(0);
    ASSERT_TRUE(session->recording());
    ASSERT_TRUE(ui.hidden);
    growOutputFile();
    tickAt(1);
    auto* writer = dynamic_cast<test::FakeWriter*>(graph.filters().asfWriter.get());
    ASSERT_NE(writer, nullptr);
    writer->error = ENOSPC;
    tickAt(2);
    EXPECT_FALSE(session->recording());
    EXPECT_FALSE(ui.hidden);
    const std::string folder = std::filesystem::path(tracker.recordingPath()).parent_path().string();
    EXPECT_EQ(fp.messageBox.texts().back(), "Recording stopped: the disk that holds " + folder +
                                                " is full. The recording made so far is saved.");
    EXPECT_EQ(ui.status, fp.messageBox.texts().back());
}

TEST_F(RecordingSessionTest, AScreenThatCannotBeReadStopsTheRecordingAndABlackOneIsToldOnce) {
    const std::string black =
        "The screen reads as black: this recording may show no picture. Stop it if your screen is not black.";
    for (const bool anyFrame : {false, true}) {
        SCOPED_TRACE(anyFrame);
        fp.messageBox.clear();
        session->onHotkeyRequest(0);
        tickAt(0);
        ASSERT_TRUE(session->recording());
        ASSERT_TRUE(ui.hidden);
        growOutputFile();
        auto* screen = dynamic_cast<test::FakeScreen*>(graph.filters().screen.get());
        ASSERT_NE(screen, nullptr);
        screen->fault.black = true;
        for (int t = 1; t <= 3; ++t) tickAt(t);
        EXPECT_TRUE(session->recording());
        EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{black});
        EXPECT_TRUE(ui.timerRunning);

        screen->fault = {platform::ScreenError::ReadFailed, "GetImage failed (X error 8)", true, anyFrame};
        tickAt(4);
        EXPECT_FALSE(session->recording());
        EXPECT_FALSE(ui.hidden);
        EXPECT_EQ(fp.messageBox.texts().back(),
                  std::string("Recording stopped: the screen cannot be read (GetImage failed (X error 8)). ") +
                      (anyFrame ? "The recording made so far is saved." : "Nothing was recorded."));
        EXPECT_EQ(ui.status, fp.messageBox.texts().back());
        // A file with a picture is kept; one without is no recording.
        EXPECT_EQ(std::filesystem::exists(tracker.recordingPath()), anyFrame);
    }
}

TEST_F(RecordingSessionTest, ABrowserConversionNeverTakesTheRunningRecordingsPlace) {
    session->startStopToggle();
    ASSERT_TRUE(session->recording());
    const std::string recording = session->lastRecording();
    session->replaceLastRecording("/elsewhere/other.wmv");
    EXPECT_EQ(session->lastRecording(), recording);
    session->startStopToggle();
    ASSERT_FALSE(session->recording());
    session->replaceLastRecording("/elsewhere/other.wmv");
    EXPECT_EQ(session->lastRecording(), "/elsewhere/other.wmv");
}

TEST_F(RecordingSessionTest, AFailedStartLeavesNoFileAndShowsTheWindow) {
    // An audio capture without its "Out" pin: the graph cannot be connected.
    registry.registerClass(platform::kAudioCaptureClassId, [] { return std::make_shared<test::FakeScreen>(); });
    // Meanwhile the writer has left its header behind.
    injectAt(fp.pump, 1000, [this] { growOutputFile(); });
    session->onHotkeyRequest(0);
    ui.hidden = true;
    ui.playCaption = "PAUSE";  // as a graph that fails to run leaves it
    tickAt(0);
    EXPECT_EQ(fp.messageBox.texts().size(), 1u);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(session->state(), SessionState::Idle);
    EXPECT_EQ(ui.playCaption, "PLAY");
    EXPECT_FALSE(ui.hidden);
    EXPECT_TRUE(ui.timerRunning);
    EXPECT_FALSE(tracker.recordingPath().empty());
    EXPECT_FALSE(std::filesystem::exists(tracker.recordingPath()));
}

TEST_F(RecordingSessionTest, ADesktopThatRefusesItsScreenStartsNothingAndOneThatStopsItEndsTheRecording) {
    platform::FakeScreenSource desktop;
    desktop.code = platform::ScreenError::Refused;
    desktop.text = "the request was cancelled";
    session = std::make_unique<RecordingSession>(fp.ctx, store, graph, tracker, ui, &desktop);
    session->setClock([this] { return graph.startTime() + seconds * 10000000LL; });

    session->onHotkeyRequest(0);
    ui.hidden = true;
    tickAt(0);
    EXPECT_EQ(desktop.prepares, 1);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(session->state(), SessionState::Idle);
    EXPECT_FALSE(ui.hidden);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"The desktop refused the screen recording (the request "
                                                              "was cancelled). Nothing was recorded."});
    EXPECT_EQ(ui.status, fp.messageBox.texts().back());
    EXPECT_FALSE(std::filesystem::exists(tracker.recordingPath()));

    // Allowed at the next start; the desktop then stops sharing.
    desktop.code = platform::ScreenError::None;
    session->startStopToggle();
    ASSERT_TRUE(session->recording());
    growOutputFile();
    auto* screen = dynamic_cast<test::FakeScreen*>(graph.filters().screen.get());
    ASSERT_NE(screen, nullptr);
    screen->fault = {platform::ScreenError::EndedByDesktop, "the desktop stopped sharing the screen", false, true};
    tickAt(1);
    EXPECT_FALSE(session->recording());
    EXPECT_EQ(fp.messageBox.texts().back(),
              "The desktop stopped the screen recording. The recording made so far is saved.");
    EXPECT_TRUE(std::filesystem::exists(tracker.recordingPath()));
}

}  // namespace
}  // namespace talvora
