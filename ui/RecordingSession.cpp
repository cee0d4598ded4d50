#include "ui/RecordingSession.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "app/SettingsStore.h"
#include "capture/RecordingGraph.h"
#include "library/Conversions.h"
#include "library/FileNotices.h"
#include "platform/audio/SoundPlayer.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/FileTime.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/ScreenSource.h"
#include "targets/WindowTracker.h"
#include "ui/SessionUi.h"

namespace talvora {

namespace {

constexpr std::int64_t kSecond_100ns = 10000000;
constexpr int kEmptyTicksBeforeError = 30;
constexpr const char* kCloseAudioSetupFirst = "Close Audio Setup before you start a recording.";

bool intersects(const platform::Rect& a, const platform::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// "CTRL+83" reads "CTRL+S" for the user.
std::string hotkeyForUser(const std::string& hotkey) {
    const auto plus = hotkey.find('+');
    const int code = std::atoi(hotkey.c_str() + plus + 1);
    return platform::format("%s%c", hotkey.substr(0, plus + 1).c_str(), static_cast<char>(code));
}

// Removes what a start that failed left at `path`; no recording ran into it.
void removeFailedRecording(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

std::string writeFailureText(int error, const std::string& folder) {
    if (error == ENOSPC)
        return platform::format(
            "Recording stopped: the disk that holds %s is full. The recording made so far is saved.", folder.c_str());
    return platform::format("Recording stopped: cannot write to %s (%s). The recording made so far is saved.",
                            folder.c_str(), std::strerror(error));
}

std::string screenFailureText(const platform::ScreenFault& fault) {
    if (fault.error == platform::ScreenError::EndedByDesktop)
        return platform::format("The desktop stopped the screen recording. %s",
                                fault.anyFrame ? "The recording made so far is saved." : "Nothing was recorded.");
    return platform::format("Recording stopped: the screen cannot be read (%s). %s", fault.text.c_str(),
                            fault.anyFrame ? "The recording made so far is saved." : "Nothing was recorded.");
}

// Why a start that asked for the screen got none.
std::string screenRefusalText(const platform::ScreenSource& screen) {
    const std::string why = screen.error();
    switch (screen.errorCode()) {
        case platform::ScreenError::None:
            return "The desktop did not answer the request to record the screen. Nothing was recorded.";
        case platform::ScreenError::Refused:
            return platform::format("The desktop refused the screen recording (%s). Nothing was recorded.",
                                    why.c_str());
        case platform::ScreenError::NoPortal:
            return platform::format(
                "The desktop offers no screen sharing (%s). Install xdg-desktop-portal and the portal of your "
                "desktop (xdg-desktop-portal-gnome, -kde or -wlr). Nothing was recorded.",
                why.c_str());
        case platform::ScreenError::NoPipeWire:
            return platform::format(
                "The screen cannot be recorded: PipeWire, which carries the desktop's screen, is not running (%s). "
                "Nothing was recorded.",
                why.c_str());
        default:
            return platform::format("The screen cannot be recorded (%s). Nothing was recorded.", why.c_str());
    }
}

constexpr const char* kNoWindowChoiceText =
    "The desktop offers no choice of a window: the whole screen is recorded.";

constexpr const char* kBlackScreenText =
    "The screen reads as black: this recording may show no picture. Stop it if your screen is not black.";

}  // namespace

RecordingSession::RecordingSession(AppContext& ctx, SettingsStore& store, RecordingGraph& graph,
                                   WindowTracker& tracker, SessionUi& ui, platform::ScreenSource* screen)
    : ctx_(ctx),
      store_(store),
      graph_(graph),
      tracker_(tracker),
      ui_(ui),
      screen_(screen),
      now_(platform::localFileTimeNow),
      watchdog_(ctx) {}

RecordingSession::~RecordingSession() = default;

int RecordingSession::pauseState() const {
    switch (state_) {
        case SessionState::PauseRequested: return 1;
        case SessionState::Paused: return 2;
        case SessionState::ResumeRequested: return 3;
        default: return 0;
    }
}

bool RecordingSession::busy() const {
    return state_ == SessionState::Starting || state_ == SessionState::Resuming || state_ == SessionState::Stopping;
}

void RecordingSession::settle(SessionState next) {
    state_ = next;
    if (exitDeferred_) {
        exitDeferred_ = false;
        ui_.closeProgram();
    }
}

bool RecordingSession::deferExit() {
    if (!busy()) return false;
    exitDeferred_ = true;
    return true;
}

void RecordingSession::startStopToggle() {
    // A second click or hotkey inside a start or stop's waits is not a new
    // request: the first one is still being carried out.
    if (busy()) {
        ctx_.platform.log.append("Start/stop ignored: a start or stop is under way");
        return;
    }
    const bool starting = !ctx_.recording && !paused_;
    if (starting && ui_.audioSetupOpen()) {
        // Its tests run on the recording graph, and its OK rebuilds it.
        startRequest_ = false;
        startMinimised_ = false;
        ctx_.platform.messageBox.show(kCloseAudioSetupFirst);
        return;
    }
    ui_.closeSettingsDialog();
    if (ui_.markingState() == 1) return;
    const Settings& s = ctx_.settings;
    if (s.showVideo == 0) ui_.setTipText("");
    if (s.dualAudio != 0 && (s.audioOutput1.empty() || s.audioSource1.empty())) {
        stopRequest_ = false;
        ctx_.platform.messageBox.show(
            "No second audio source specified for dual audio. Open Audio Setup and select a Microphone or Line In.");
        return;
    }
    if (starting) start();
    else stop();
}

bool RecordingSession::overlapConfirmed() {
    const Settings& s = ctx_.settings;
    if (tracker_.windowCaptureActive() || ctx_.recording || startMinimised_) return true;
    const platform::Rect capture{s.xTop, s.yTop, s.xBottom, s.yBottom};
    const Environment& env = ctx_.environment;
    const bool compositionMayBeOn = env.notWindows7 || (env.vistaOrLater && s.basic == 0);
    if (!intersects(ui_.recorderRect(), capture) || !compositionMayBeOn || s.hotkey1.find('+') == std::string::npos)
        return true;
    const std::string question = platform::format(
        "Talvora window overlaps the recording area. You can use the hotkey (%s) to start/stop recording and hide the "
        "Talvora.\n\nContinue anyway?",
        hotkeyForUser(s.hotkey1).c_str());
    return ctx_.platform.messageBox.show(question, platform::MessageButtons::YesNo) != platform::IDNO;
}

void RecordingSession::start() {
    state_ = SessionState::Starting;
    if (ui_.markingState() == 2) ui_.closeMarkingWindow();
    ui_.stopTimer();
    store_.read();
    if (!nameRecording({})) return;
    if (!overlapConfirmed()) {
        ui_.startTimer();
        settle(SessionState::Idle);
        return;
    }
    if (!screenConsented()) return;
    // A window the desktop shares names the recording as a tracked one would.
    if (const auto shared = screen_ != nullptr ? screen_->sharedWindow() : std::nullopt;
        shared && !nameRecording(*shared))
        return;
    ctx_.platform.sound.play("./sound1.wav", false);
    ctx_.platform.pump.pump(1000);
    ctx_.recording = true;
    ctx_.statusText = "Initialize recording...";
    ui_.showStatus(ctx_.statusText);
    const CaptureTarget target{tracker_.tracked().handle(), tracker_.windowCaptureActive() ? 1 : 0,
                               tracker_.secondMonitorScale()};
    if (graph_.buildAndRun(tracker_.recordingPath(), target, muted_) == 0) {
        ctx_.recording = false;
        graph_.tearDownReleaseAndCreate();
        failedStart();
        return;
    }
    if (startMinimised_) ui_.hideRecorder();
    startMinimised_ = false;
    ui_.setRecordCaption("STOP");
    tracker_.watcher().stopForRecording();

    started_ = true;
    // Requests made before or during the start belong to no recording.
    startRequest_ = false;
    stopRequest_ = false;
    outputPath_ = tracker_.recordingPath();
    ctx_.statusText = tracker_.recordingFileName();
    ui_.showStatus(ctx_.statusText);
    pausedTotal_ = 0;
    fileSize_ = 0;
    paused_ = false;
    blackReported_ = false;
    ctx_.settings.setTopWindow = 1;
    ui_.startTimer();
    settle(SessionState::Recording);
}

bool RecordingSession::nameRecording(const std::string& sharedWindowTitle) {
    if (tracker_.MakeRecordingFileName(std::time(nullptr), sharedWindowTitle)) return true;
    ctx_.recording = false;
    ctx_.platform.messageBox.show("Failed to setup recording file name");
    failedStart();
    return false;
}

bool RecordingSession::screenConsented() {
    if (screen_ == nullptr) return true;
    // Tracking that finds nothing on a desktop that hides its own windows
    // from us: the user points at the meeting window in the desktop's dialog.
    const bool windowWanted = screen_->sharesChosenWindows() && tracker_.nothingTracked();
    screen_->choose(windowWanted ? platform::ScreenChoice::Window : platform::ScreenChoice::Monitor);
    if (!screen_->ready()) {
        if (windowWanted) ui_.showStatus("Choose the meeting window to record");
        if (!awaitScreen()) return false;
    }
    if (windowWanted && !screen_->sharedWindow()) {
        ctx_.platform.log.append(kNoWindowChoiceText);
        ui_.showNote(kNoWindowChoiceText);
    }
    return true;
}

bool RecordingSession::awaitScreen() {
    // Asked here, before a graph runs: never from a capture thread. The
    // answer may outlive this wait.
    const auto answered = std::make_shared<bool>(false);
    screen_->prepare([answered] { *answered = true; });
    constexpr int kStep_ms = 50;
    for (int waited = 0; !*answered && waited < kConsentTimeout_ms; waited += kStep_ms)
        ctx_.platform.pump.pump(kStep_ms);
    if (screen_->ready()) return true;
    ctx_.recording = false;
    failedStart();
    ctx_.statusText = screenRefusalText(*screen_);
    ui_.showStatus(ctx_.statusText);
    ctx_.platform.messageBox.show(ctx_.statusText);
    return false;
}

void RecordingSession::replaceLastRecording(const std::string& path) {
    if (state_ == SessionState::Idle && !ctx_.recording) outputPath_ = path;
}

void RecordingSession::failedStart() {
    // Whatever a failed start left (a header, an empty file) is no recording.
    removeFailedRecording(tracker_.recordingPath());
    startRequest_ = false;
    startMinimised_ = false;
    // A hotkey start hid nothing yet or the graph's run hid the window: the
    // user must see what happened.
    ui_.showRecorderRestored();
    // A graph that failed to run had already shown the PAUSE caption.
    ui_.setPlayPauseCaption("PLAY");
    ui_.startTimer();
    settle(SessionState::Idle);
}

void RecordingSession::stop() {
    state_ = SessionState::Stopping;
    ui_.stopTimer();
    ui_.setPlayPauseCaption("PLAY");
    ui_.showStatus("Stopping recording. Please wait...");
    ui_.restartPreview();
    ctx_.statusText = "Stopping. Please wait...";
    ctx_.platform.pump.pump(250);

    closeSizeHandle();
    ctx_.recording = false;
    stopRequest_ = false;
    startRequest_ = false;
    paused_ = false;

    watchdog_.begin();
    if (graph_.exists()) graph_.stop();
    watchdog_.done();
    graph_.tearDownReleaseAndCreate();

    started_ = false;
    ui_.showRecorderRestored();
    if (discardOnStop_) {
        removeFailedRecording(outputPath_);
        outputPath_.clear();
    } else {
        // The status line goes back to the tracker's text: the desktop tells
        // where the file went.
        std::error_code ec;
        if (ctx_.notices != nullptr && std::filesystem::file_size(outputPath_, ec) > 0 && !ec)
            ctx_.notices->recordingSaved(outputPath_);
        ConvertFinishedRecording(ctx_, outputPath_);
    }
    discardOnStop_ = false;
    ui_.startTimer();
    settle(SessionState::Idle);
}

void RecordingSession::stopForExit() {
    if (!graph_.exists() || !ctx_.recording) return;
    state_ = SessionState::Stopping;
    watchdog_.begin();
    graph_.stop();
    watchdog_.done();
    graph_.tearDownAndRelease();
    ctx_.recording = false;
    started_ = false;
    state_ = SessionState::Idle;
}

void RecordingSession::resume() {
    state_ = SessionState::Resuming;
    ui_.stopTimer();
    graph_.run();
    ui_.startTimer();
    settle(SessionState::Recording);
}

int RecordingSession::onHotkeyRequest(std::intptr_t wParam) {
    const bool live = state_ == SessionState::Recording || state_ == SessionState::PauseRequested ||
                      state_ == SessionState::Paused || state_ == SessionState::ResumeRequested;
    if (wParam == 0 && live) {
        state_ = SessionState::Recording;  // pause state 0
        stopRequest_ = true;
        startMinimised_ = false;
    } else if (wParam == 0 && state_ == SessionState::Idle) {
        ctx_.statusText = "Initialize recording...";
        ui_.showStatus(ctx_.statusText);
        startMinimised_ = true;
        startRequest_ = true;
    } else if (wParam == 1 && state_ == SessionState::Recording) {
        startMinimised_ = true;
        ui_.showRecorderRestored();
        ui_.restartPreview();
        ui_.startTimer();
        state_ = SessionState::PauseRequested;
    } else if (wParam == 1 && state_ == SessionState::Paused) {
        startMinimised_ = true;
        ui_.stopTimer();
        graph_.updateAudioSetup(muted_);
        ui_.startTimer();
        state_ = SessionState::ResumeRequested;
    }
    // Anything else, and every request while a start, resume or stop is
    // under way, is dropped.
    return 1;
}

void RecordingSession::muteToggle() {
    if (ctx_.settings.videoOnly != 0) return;
    if ((ctx_.settings.message & 2) == 0) ui_.showTip(2);
    muted_ = !muted_;
    ui_.setMicPicture(muted_);
    if (ctx_.recording) graph_.updateAudioSetup(muted_);
}

void RecordingSession::recordingStep() {
    const bool live = ctx_.recording && graph_.exists();
    if (live && state_ == SessionState::PauseRequested) {
        ui_.stopTimer();
        graph_.pause();
        ui_.setPlayPauseCaption("RESTART");
        state_ = SessionState::Paused;
        ui_.startTimer();
    } else if (live && state_ == SessionState::ResumeRequested) {
        resume();
    } else if (!ctx_.recording && startRequest_) {
        startRequest_ = false;
        startStopToggle();
    } else {
        if (state_ == SessionState::Paused) pausedTotal_ += kSecond_100ns;
        if (ctx_.recording && state_ == SessionState::Recording && !runningChecks()) return;
        if (ctx_.recording) updateStatus();
        ui_.showStatus(ctx_.statusText);
    }
}

void RecordingSession::closeSizeHandle() { sizeHandle_.reset(); }

bool RecordingSession::runningChecks() {
    const Settings& s = ctx_.settings;
    if (stopRequest_) {
        ui_.stopTimer();
        closeSizeHandle();
        startStopToggle();
        return false;
    }
    if (const int error = graph_.writeError(); error != 0) {
        // The file no longer grows: a recording that goes on would only look
        // as if it did. What was written is finished and the user told why.
        ui_.stopTimer();
        closeSizeHandle();
        const std::string folder = std::filesystem::path(outputPath_).parent_path().string();
        startStopToggle();
        ctx_.statusText = writeFailureText(error, folder);
        ui_.showStatus(ctx_.statusText);
        ctx_.platform.messageBox.show(ctx_.statusText);
        return false;
    }
    if (!screenChecks()) return false;
    if (s.protocol != 7) {
        outputPath_ = tracker_.recordingPath();
        if (!sizeHandle_) sizeHandle_.reset(std::fopen(outputPath_.c_str(), "rbe"));
        struct stat info {};
        if (sizeHandle_ && ::fstat(::fileno(sizeHandle_.get()), &info) == 0) fileSize_ = info.st_size;
        if (fileSize_ == 0 && ++zeroSizeCount_ == kEmptyTicksBeforeError) {
            ui_.stopTimer();
            zeroSizeCount_ = 0;
            startStopToggle();
            ctx_.platform.messageBox.show("Recording error (x013). Talvora will close now");
            return false;
        }
    }
    const std::int64_t now = now_();
    const std::int64_t start = graph_.startTime();
    if (s.maxFileTime > 0 && now >= start + s.maxFileTime * kSecond_100ns + pausedTotal_) {
        ui_.stopTimer();
        closeSizeHandle();
        stopRequest_ = true;
        startStopToggle();
        ctx_.platform.sound.play("./ding.wav", false);
        ctx_.statusText = "Recording Stopped. File time exceeded";
        ctx_.platform.messageBox.show(ctx_.statusText);
        return false;
    }
    // The elapsed time is read as a time of day, so it wraps after 24 hours.
    const std::int64_t elapsed_s = ((now - start - pausedTotal_) / kSecond_100ns) % 86400;
    elapsedText_ = platform::format("%02d:%02d:%02d", static_cast<int>(elapsed_s / 3600),
                                    static_cast<int>(elapsed_s / 60 % 60), static_cast<int>(elapsed_s % 60));
    return true;
}

bool RecordingSession::screenChecks() {
    const platform::ScreenFault fault = graph_.screenFault();
    if (fault.stopped()) {
        // No more pictures come: the recording ends here instead of going on
        // without them, and one that never got a picture leaves no file.
        ui_.stopTimer();
        closeSizeHandle();
        discardOnStop_ = !fault.anyFrame;
        stop();
        ctx_.statusText = screenFailureText(fault);
        ui_.showStatus(ctx_.statusText);
        ctx_.platform.messageBox.show(ctx_.statusText);
        return false;
    }
    if (fault.black && !blackReported_) {
        // Said once: a black screen may be what the user means to record.
        blackReported_ = true;
        ui_.stopTimer();
        ctx_.platform.messageBox.show(kBlackScreenText);
        ui_.startTimer();
    }
    return true;
}

void RecordingSession::updateStatus() {
    const Settings& s = ctx_.settings;
    const double mb = static_cast<double>(fileSize_) / 1024 / 1024;
    const char* elapsed = elapsedText_.c_str();
    const char* duration = s.durationText.c_str();
    if (s.protocol == 4) {
        ctx_.statusText = paused_ ? platform::format("Paused: %.2f MB, %s/%s, %d,%d  AVI", mb, elapsed, duration,
                                             static_cast<int>(s.frameRate), pushRate_)
                          : platform::format("Recording: %.2f MB, %s/%s, %d/%d  AVI", mb, elapsed, duration,
                                             static_cast<int>(s.frameRate), pushRate_);
    } else if (paused_) {
        ctx_.statusText = platform::format("Paused: %.2f MB, %s/%s", mb, elapsed, duration);
    } else if (!elapsedText_.empty() && !s.durationText.empty()) {
        ctx_.statusText = platform::format("Recording: %.2f MB  %s/%s", mb, elapsed, duration);
    } else if (!elapsedText_.empty()) {
        ctx_.statusText = platform::format("Recording: %.2f MB  %s", mb, elapsed);
    } else {
        ctx_.statusText = platform::format("Recording: %.2f MB", mb);
    }
}

void RecordingSession::onPushMessage(std::intptr_t wParam, std::intptr_t lParam) {
    if (lParam == 1 && wParam <= 50) pushRate_ = static_cast<int>(wParam);
}

std::string RecordingSession::onSoundMessage(std::intptr_t wParam, std::intptr_t lParam) const {
    if (wParam < lParam) return {};
    const double ratio = lParam != 0 ? static_cast<double>(wParam) / static_cast<double>(lParam) : 0.0;
    const std::string line = platform::format("%d, %d  %.2f", static_cast<int>(wParam), static_cast<int>(lParam), ratio);
    ctx_.platform.log.append(line);
    return line;
}

}  // namespace talvora
