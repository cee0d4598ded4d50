#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "platform/desktop/Geometry.h"
#include "targets/MeetingWindowRules.h"
#include "targets/TrackedWindow.h"
#include "targets/TrackedWindowWatcher.h"

namespace talvora {

class SettingsStore;
class TrackerHost;

// Which command asks for tracking: the settings dialog acts only when no
// meeting window is chosen, the recorder window's menu only from full-screen
// or marked-region mode.
enum class TrackingCommandSource { SettingsDialog, RecorderMenu };

// Decides the capture rectangle while the recorder is idle: follows a Zoom,
// Google Meet, Teams, Jitsi Meet or Webex window in tracking mode, or applies the full-screen or
// no-target rectangle, and names the files of new recordings. Owned by the
// recorder window and run from its one-second timer; every member is called
// on the UI thread unless it says otherwise.
class WindowTracker {
public:
    static constexpr int kZoom = 1;
    static constexpr int kGoogleMeet = 2;

    WindowTracker(AppContext& app, SettingsStore& store, TrackerHost& host);

    // One step of the recorder window's timer 1, before its recording step.
    void TrackerTick();
    // Searches for both kinds of window. Returns `requested` (kZoom or
    // kGoogleMeet) when both are present, else the kind present, else 0.
    int DetectMeetingWindows(int requested);
    // The settings dialog's "Track Z&oom window" and "Track &Google window";
    // `refreshChecks` lets the dialog update its menu check marks.
    void TrackZoomWindow(const std::function<void()>& refreshChecks);
    void TrackGoogleWindow(const std::function<void()>& refreshChecks);
    // "Enable &tracking meet windows": back to tracking mode.
    void EnableTracking(TrackingCommandSource source);
    // Full-screen mode on the chosen monitor.
    void ApplyFullScreenRect();
    // The rectangle used while tracking finds nothing.
    void ApplyNoTargetRect();
    // Names the new recording's file in the `Recording Folder` (see
    // recordingPath()); false after "Cannot find recording folder %s".
    // Without a tracked window, the title of the window the desktop shares
    // (`sharedWindowTitle`) names it by the same rules.
    bool MakeRecordingFileName(std::time_t now = std::time(nullptr), const std::string& sharedWindowTitle = {});

    bool zoomMode() const { return zoomMode_; }
    bool googleMode() const { return googleMode_; }
    // The service tracked when neither a Zoom nor a Google Meet window is.
    std::optional<OtherService> otherMode() const { return otherMode_; }
    // Tracking mode found no meeting window at its last tick.
    bool nothingTracked() const;
    // The region marking and the settings dialog drop the meeting choice.
    void clearMeetingModes();

    // Any thread.
    TrackedWindow& tracked() { return tracked_; }
    TrackedWindowWatcher& watcher() { return watcher_; }
    // For the screen-capture filter, any thread: capture the tracked window by
    // its handle, and the percentage that goes with the rectangle.
    bool windowCaptureActive() const { return windowCaptureActive_.load(); }
    int secondMonitorScale() const { return secondMonitorScale_.load(); }

    // The recording under way: the full path and its file-name part.
    const std::string& recordingPath() const { return recordingPath_; }
    const std::string& recordingFileName() const { return recordingFileName_; }

private:
    void trackMeeting(int kind, const std::function<void()>& refreshChecks);
    void checkStartupPosition();
    void refreshBackgroundMode();
    void applyUntrackedMode();
    // Searches, takes the target and follows it; returns the tracked title.
    std::string trackTarget();
    void searchGoogleMeet();
    void searchOtherServices();
    void onTargetLost();
    void onTargetPresent(platform::WindowId target);
    void followMonitor(const platform::Rect& window);
    void showStatus(const std::string& trackedTitle);
    int computeSecondMonitorScale() const;
    platform::Rect primaryScreen() const;
    void save();

    AppContext& app_;
    SettingsStore& store_;
    TrackerHost& host_;

    bool zoomMode_ = false;
    bool googleMode_ = false;
    platform::WindowId zoomWindow_ = 0;
    platform::WindowId googleWindow_ = 0;
    std::optional<OtherService> otherMode_;
    platform::WindowId otherWindow_ = 0;
    std::string googleTitle_;
    platform::Rect lastWindowRect_;

    bool targetLostLatch_ = false;
    bool markedLatch_ = false;
    bool startupChecked_ = false;
    bool lastCaptureActive_ = false;
    int lastSecondScale_ = 100;

    std::atomic<bool> windowCaptureActive_{false};
    std::atomic<int> secondMonitorScale_{100};
    TrackedWindow tracked_;
    TrackedWindowWatcher watcher_;

    std::string recordingPath_;
    std::string recordingFileName_;
};

}  // namespace talvora
