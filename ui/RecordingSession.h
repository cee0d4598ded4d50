#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "ui/StopWatchdog.h"

namespace platform {
class ScreenSource;
}  // namespace platform

namespace talvora {

class RecordingGraph;
class SessionUi;
class SettingsStore;
class WindowTracker;

// Where the session is. Starting, Resuming and Stopping dispatch messages
// while they wait, so a click or hotkey can arrive inside them: those states
// ignore further toggles, and the exit path waits for them to finish.
enum class SessionState {
    Idle,
    Starting,
    Recording,
    PauseRequested,   // pause state 1
    Paused,           // pause state 2
    ResumeRequested,  // pause state 3
    Resuming,         // the graph is being run again
    Stopping,
};

// The control of one recording at a time: start and stop, pause and resume
// from the hotkeys, the microphone mute, the once-a-second checks of a
// running recording and its status line. UI thread, except the stop
// watchdog, which runs on its own thread.
//
// What the user does beside a recording is decided here, and the dialogs
// ask before they act (`state()`, `recording()`, `lastRecording()`):
// - a start or stop closes the settings dialog and its child dialogs; none
//   is freed while one of its handlers waits in a nested loop;
// - the audio set-up tests its sources on the recording graph: no start
//   while it is open, and it does not open while a recording exists;
// - the browser and the conversions never delete, convert onto or replace
//   the file being recorded.
class RecordingSession {
public:
    // `screen`, when given, is asked before each start whether the desktop
    // lets its screen be read (a Wayland desktop asks the user).
    RecordingSession(AppContext& ctx, SettingsStore& store, RecordingGraph& graph, WindowTracker& tracker,
                     SessionUi& ui, platform::ScreenSource* screen = nullptr);
    // How long a start waits for the desktop's answer (the user may be
    // choosing a screen in its dialog).
    static constexpr int kConsentTimeout_ms = 120000;
    ~RecordingSession();
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    // The record button, a double click, and the requests of the tick.
    void startStopToggle();
    // "WM_RECORD_STOP_STR" (wParam 0) and "WM_RECORD_PAUSE_STR" (wParam 1).
    int onHotkeyRequest(std::intptr_t wParam);
    void muteToggle();
    // The recording step of the one-second tick.
    void recordingStep();
    // "Push message" and "Sound message".
    void onPushMessage(std::intptr_t wParam, std::intptr_t lParam);
    std::string onSoundMessage(std::intptr_t wParam, std::intptr_t lParam) const;

    // Called by the exit path: true when a start, resume or stop is under way;
    // the exit path is then run again as soon as it has finished.
    bool deferExit();
    // The exit path's stop of a running recording, without the stop's own
    // waits and window changes: the graph is stopped so that the file is
    // finished, and released.
    void stopForExit();

    SessionState state() const { return state_; }
    bool recording() const { return ctx_.recording; }
    bool started() const { return started_; }
    // The file of the last recording started, empty before the first.
    const std::string& lastRecording() const { return outputPath_; }
    // A file converted from the browser becomes the last recording, but never
    // while a recording runs: its stop converts, and the browser guards, the
    // file being written.
    void replaceLastRecording(const std::string& path);
    // 0 running, 1 pause requested, 2 paused, 3 resume requested.
    int pauseState() const;
    bool startMinimised() const { return startMinimised_; }
    bool muted() const { return muted_; }
    std::int64_t pausedTotal() const { return pausedTotal_; }
    // How long the watchdog waits for a stop, in seconds (10).
    void setWatchdogSeconds(int seconds) { watchdog_.setSeconds(seconds); }
    const StopWatchdog& watchdog() const { return watchdog_; }
    // The local time as a file time; tests set their own clock.
    void setClock(std::function<std::int64_t()> now) { now_ = std::move(now); }

private:
    void start();
    void stop();
    void resume();
    void failedStart();
    // A transition that dispatched messages has ended in `next`.
    void settle(SessionState next);
    bool busy() const;
    bool overlapConfirmed();
    // Names the recording (see WindowTracker::MakeRecordingFileName); false,
    // after telling the user and ending the start, when it cannot be named.
    bool nameRecording(const std::string& sharedWindowTitle);
    // Waits for the screen's consent; false, after telling the user why,
    // when the screen cannot be recorded.
    bool screenConsented();
    // Asks for the screen and waits for the answer; as screenConsented().
    bool awaitScreen();
    // False when the recording was stopped by a check.
    bool runningChecks();
    // Stops a recording whose screen can no longer be read; tells once that
    // the picture stays black.
    bool screenChecks();
    void updateStatus();
    void closeSizeHandle();

    AppContext& ctx_;
    SettingsStore& store_;
    RecordingGraph& graph_;
    WindowTracker& tracker_;
    SessionUi& ui_;
    platform::ScreenSource* screen_;

    SessionState state_ = SessionState::Idle;
    bool exitDeferred_ = false;
    bool started_ = false;
    bool paused_ = false;
    bool startRequest_ = false;
    bool stopRequest_ = false;
    bool startMinimised_ = false;
    bool fromHotkey_ = false;
    bool muted_ = false;
    bool blackReported_ = false;
    // The recording got no picture: its stop removes the file.
    bool discardOnStop_ = false;
    std::int64_t pausedTotal_ = 0;
    std::string elapsedText_;
    std::int64_t fileSize_ = 0;
    int zeroSizeCount_ = 0;
    int pushRate_ = 0;
    std::string outputPath_;
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> sizeHandle_;
    std::function<std::int64_t()> now_;
    StopWatchdog watchdog_;
};

}  // namespace talvora
