#include "ui/RecordingSession.h"

#include <sys/stat.h>

#include <chrono>
#include <memory>

#include "app/SettingsStore.h"
#include "capture/RecordingGraph.h"
#include "library/Conversions.h"
#include "platform/audio/SoundPlayer.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/FileTime.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/core/ProcessControl.h"
#include "targets/WindowTracker.h"
#include "ui/SessionUi.h"

namespace talvora {

namespace {

constexpr std::int64_t kSecond_100ns = 10000000;
constexpr int kEmptyTicksBeforeError = 30;

bool intersects(const platform::Rect& a, const platform::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// "CTRL+83" reads "CTRL+S" for the user.
std::string hotkeyForUser(const std::string& hotkey) {
    const auto plus = hotkey.find('+');
    const int code = std::atoi(hotkey.c_str() + plus + 1);
    return platform::format("%s%c", hotkey.substr(0, plus + 1).c_str(), static_cast<char>(code));
}

}  // namespace

RecordingSession::RecordingSession(AppContext& ctx, SettingsStore& store, RecordingGraph& graph,
                                   WindowTracker& tracker, SessionUi& ui)
    : ctx_(ctx), store_(store), graph_(graph), tracker_(tracker), ui_(ui), now_(platform::localFileTimeNow) {}

RecordingSession::~RecordingSession() {
    stopDone_ = true;
    if (watchdog_.joinable()) watchdog_.join();
}

void RecordingSession::startStopToggle() {
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
    if (ctx_.recording || paused_) stop();
    else start();
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
    if (ui_.markingState() == 2) ui_.closeMarkingWindow();
    ui_.stopTimer();
    store_.read();
    if (!tracker_.MakeRecordingFileName()) {
        ctx_.recording = false;
        ctx_.platform.messageBox.show("Failed to setup recording file name");
        ui_.startTimer();
        return;
    }
    if (!overlapConfirmed()) {
        ui_.startTimer();
        return;
    }
    ctx_.platform.sound.play("./sound1.wav", false);
    ctx_.platform.pump.pump(1000);
    ctx_.recording = true;
    ui_.showStatus("Initialize recording...");
    const CaptureTarget target{tracker_.tracked().handle(), tracker_.windowCaptureActive() ? 1 : 0,
                               tracker_.secondMonitorScale()};
    if (graph_.buildAndRun(tracker_.recordingPath(), target) == 0) {
        ctx_.recording = false;
        graph_.tearDownReleaseAndCreate();
        ui_.startTimer();
        return;
    }
    if (startMinimised_) ui_.hideRecorder();
    startMinimised_ = false;
    ui_.setRecordCaption("STOP");
    tracker_.watcher().stopForRecording();

    started_ = true;
    outputPath_ = tracker_.recordingPath();
    status_ = tracker_.recordingFileName();
    ui_.showStatus(status_);
    pauseState_ = 0;
    pausedTotal_ = 0;
    fileSize_ = 0;
    paused_ = false;
    ctx_.settings.setTopWindow = 1;
    ui_.startTimer();
}

void RecordingSession::stop() {
    ui_.stopTimer();
    ui_.setPlayPauseCaption("PLAY");
    ui_.showStatus("Stopping recording. Please wait...");
    ui_.restartPreview();
    status_ = "Stopping. Please wait...";
    ctx_.platform.pump.pump(250);

    closeSizeHandle();
    pauseState_ = 0;
    stopRequest_ = false;
    startRequest_ = false;
    paused_ = false;

    startWatchdog();
    if (graph_.exists()) graph_.stop();
    stopDone_ = true;
    graph_.tearDownReleaseAndCreate();
    ctx_.recording = false;

    started_ = false;
    ui_.showRecorderRestored();
    ConvertFinishedRecording(ctx_, outputPath_);
    ui_.startTimer();
}

void RecordingSession::startWatchdog() {
    if (watchdog_.joinable()) watchdog_.join();
    stopDone_ = false;
    watchdog_ = std::thread([this] {
        for (int second = 0; second < watchdogSeconds_; ++second) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            if (stopDone_) {
                stopDone_ = false;
                return;
            }
        }
        // The stop hangs on the UI thread, so the box may never get there:
        // it is logged, offered for half a minute, and the process ends.
        const std::string text = "Recording error. Recorded file is saved.\n\nClick OK to exit.";
        ctx_.platform.log.append(text);
        auto answered = std::make_shared<std::atomic<bool>>(false);
        platform::MessageBox& box = ctx_.platform.messageBox;
        std::thread([&box, text, answered] {
            box.show(text);
            *answered = true;
        }).detach();
        for (int waited = 0; waited < 300 && !*answered; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ctx_.platform.process.exitProcess(0);
    });
}

int RecordingSession::onHotkeyRequest(std::intptr_t wParam) {
    if (wParam == 0 && ctx_.recording) {
        pauseState_ = 0;
        stopRequest_ = true;
        startMinimised_ = false;
    } else if (wParam == 0) {
        ui_.showStatus("Initialize recording...");
        startMinimised_ = true;
        startRequest_ = true;
    } else if (wParam == 1 && ctx_.recording && pauseState_ == 0) {
        startMinimised_ = true;
        ui_.showRecorderRestored();
        ui_.restartPreview();
        ui_.startTimer();
        pauseState_ = 1;
    } else if (wParam == 1 && pauseState_ == 2) {
        startMinimised_ = true;
        ui_.stopTimer();
        graph_.updateAudioSetup(muted_);
        ui_.startTimer();
        pauseState_ = 3;
    }
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
    if (live && pauseState_ == 1) {
        ui_.stopTimer();
        graph_.pause();
        ui_.setPlayPauseCaption("RESTART");
        pauseState_ = 2;
        ui_.startTimer();
    } else if (live && pauseState_ == 3) {
        ui_.stopTimer();
        pauseState_ = 0;
        graph_.run();
        ui_.startTimer();
    } else if (!ctx_.recording && startRequest_) {
        startRequest_ = false;
        startStopToggle();
    } else {
        if (pauseState_ == 2) pausedTotal_ += kSecond_100ns;
        if (ctx_.recording && pauseState_ == 0 && !runningChecks()) return;
        if (ctx_.recording) updateStatus();
        ui_.showStatus(status_);
    }
}

void RecordingSession::closeSizeHandle() { sizeHandle_.reset(); }

bool RecordingSession::runningChecks() {
    const Settings& s = ctx_.settings;
    if (stopRequest_) {
        ui_.stopTimer();
        closeSizeHandle();
        pauseState_ = 0;
        startStopToggle();
        return false;
    }
    if (s.protocol != 7) {
        outputPath_ = tracker_.recordingPath();
        if (!sizeHandle_) sizeHandle_.reset(std::fopen(outputPath_.c_str(), "rb"));
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
        pauseState_ = 0;
        stopRequest_ = true;
        startStopToggle();
        ctx_.platform.sound.play("./ding.wav", false);
        status_ = "Recording Stopped. File time exceeded";
        ctx_.platform.messageBox.show(status_);
        return false;
    }
    // The elapsed time is read as a time of day, so it wraps after 24 hours.
    const std::int64_t elapsed_s = ((now - start - pausedTotal_) / kSecond_100ns) % 86400;
    elapsedText_ = platform::format("%02d:%02d:%02d", static_cast<int>(elapsed_s / 3600),
                                    static_cast<int>(elapsed_s / 60 % 60), static_cast<int>(elapsed_s % 60));
    return true;
}

void RecordingSession::updateStatus() {
    const Settings& s = ctx_.settings;
    const double mb = static_cast<double>(fileSize_) / 1024 / 1024;
    const char* elapsed = elapsedText_.c_str();
    const char* duration = s.durationText.c_str();
    if (s.protocol == 4) {
        status_ = paused_ ? platform::format("Paused: %.2f MB, %s/%s, %d,%d  AVI", mb, elapsed, duration,
                                             static_cast<int>(s.frameRate), pushRate_)
                          : platform::format("Recording: %.2f MB, %s/%s, %d/%d  AVI", mb, elapsed, duration,
                                             static_cast<int>(s.frameRate), pushRate_);
    } else if (paused_) {
        status_ = platform::format("Paused: %.2f MB, %s/%s", mb, elapsed, duration);
    } else if (!elapsedText_.empty() && !s.durationText.empty()) {
        status_ = platform::format("Recording: %.2f MB  %s/%s", mb, elapsed, duration);
    } else if (!elapsedText_.empty()) {
        status_ = platform::format("Recording: %.2f MB  %s", mb, elapsed);
    } else {
        status_ = platform::format("Recording: %.2f MB", mb);
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
