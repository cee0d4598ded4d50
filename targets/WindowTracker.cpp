#include "targets/WindowTracker.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/Display.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/PathMapping.h"
#include "targets/MeetingWindowRules.h"
#include "targets/RecordingFileName.h"
#include "targets/TrackerHost.h"

namespace talvora {

namespace {

constexpr int kTimer_ms = 1000;
constexpr int kNoTargetInset = 10;  // pixels kept free on each side of the monitor
constexpr int kFullPercent = 100;

// Area shared by two rectangles; 0 when they do not meet.
long long overlapArea(const platform::Rect& a, const platform::Rect& b) {
    const long long width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// The capture filter takes a zero left or top edge for "unset", so a
// full-screen rectangle starts one pixel off the edge, keeping its size.
platform::Rect moveOffZeroEdges(platform::Rect r) {
    if (r.left == 0 && r.right > 0) {
        r.left = -1;
        r.right -= 1;
    } else if (r.left == 0 && r.right < 0) {
        r.left = 1;
        r.right += 1;
    }
    if (r.top == 0) {
        r.top = -1;
        r.bottom -= 1;
    }
    return r;
}

void setCaptureRect(Settings& s, const platform::Rect& r) {
    s.xTop = r.left;
    s.yTop = r.top;
    s.xBottom = r.right;
    s.yBottom = r.bottom;
}

}  // namespace

WindowTracker::WindowTracker(AppContext& app, SettingsStore& store, TrackerHost& host)
    : app_(app), store_(store), host_(host), watcher_(app.platform.windows, tracked_, app.recording) {}

void WindowTracker::TrackerTick() {
    Settings& s = app_.settings;
    checkStartupPosition();
    refreshBackgroundMode();

    if ((s.autoMark != 0 || s.fullScreen != 0) && s.marked != 0) {
        s.marked = 0;
        save();
    }

    const bool recording = app_.recording.load();
    std::string title;
    if (recording || s.fullScreen != 0 || s.autoMark == 0) {
        if (!recording) applyUntrackedMode();
        title = tracked_.title();
    } else {
        title = trackTarget();
    }
    if (!recording && !(host_.regionFrameShown() && host_.converting())) showStatus(title);
}

void WindowTracker::applyUntrackedMode() {
    const Settings& s = app_.settings;
    if (s.fullScreen != 0) {
        if (targetLostLatch_) return;
        windowCaptureActive_ = false;
        targetLostLatch_ = true;
        markedLatch_ = false;
        ApplyFullScreenRect();
        host_.restartPreview();
    } else if (s.marked != 0 && !markedLatch_) {
        windowCaptureActive_ = false;
        markedLatch_ = true;
        targetLostLatch_ = false;
        host_.restartPreview();
    }
}

std::string WindowTracker::trackTarget() {
    platform::Windows& windows = app_.platform.windows;
    tracked_.forgetHandle();

    // A Google Meet window already tracked keeps the Zoom search from running
    // until it is gone; otherwise a Zoom window wins.
    if (!googleMode_) {
        zoomWindow_ = FindZoomWindow(windows).window;
        zoomMode_ = zoomWindow_ != 0;
        if (zoomMode_) targetLostLatch_ = false;
    }
    if (!zoomMode_) {
        searchGoogleMeet();
        googleMode_ = googleWindow_ != 0;
        if (googleMode_) targetLostLatch_ = false;
    }
    // The other services come after both, so that wherever a Zoom or Google
    // Meet window exists nothing changes.
    if (!zoomMode_ && !googleMode_) searchOtherServices();
    else otherMode_.reset();

    platform::WindowId target = 0;
    std::string title;
    if (googleMode_) {
        target = googleWindow_;
        title = windows.title(target);
        if (title.empty()) title = googleTitle_;
    } else if (zoomMode_) {
        target = zoomWindow_;
        title = windows.title(target);
        if (title.empty()) title = "Zoom";
    } else if (otherMode_) {
        target = otherWindow_;
        title = windows.title(target);
        if (title.empty()) title = ServiceWord(*otherMode_);
    } else {
        onTargetLost();
        return tracked_.title();
    }
    title.resize(std::min(title.size(), TrackedWindow::kTitleCapacity - 1));
    tracked_.set(target, title);

    if (!windows.exists(target) || windows.isMinimized(target)) onTargetLost();
    else onTargetPresent(target);
    return title;
}

void WindowTracker::searchGoogleMeet() {
    const MeetingWindow found = FindGoogleMeetWindow(app_.platform.windows);
    if (found.matched) googleTitle_ = found.title;
    googleWindow_ = found.window;
}

void WindowTracker::searchOtherServices() {
    const OtherMeetingWindow found = FindOtherMeetingWindow(app_.platform.windows);
    otherWindow_ = found.found.window;
    otherMode_.reset();
    if (otherWindow_ == 0) return;
    otherMode_ = found.service;
    targetLostLatch_ = false;
}

void WindowTracker::onTargetLost() {
    if (targetLostLatch_) return;
    windowCaptureActive_ = false;
    targetLostLatch_ = true;
    markedLatch_ = false;
    // A marked region stays as the user marked it.
    if (app_.settings.marked != 0) return;
    ApplyNoTargetRect();
    host_.restartPreview();
}

void WindowTracker::onTargetPresent(platform::WindowId target) {
    Settings& s = app_.settings;
    windowCaptureActive_ = s.hideWindow != 0;
    DetectMonitors(app_, store_);

    const platform::Rect window = app_.platform.windows.rect(target);
    if (app_.environment.monitorCount > 1) followMonitor(window);

    // Only a window that moved or changed size is taken over again, so a
    // rectangle the user set meanwhile survives an unchanged window.
    if (window == lastWindowRect_) return;
    windowCaptureActive_ = false;
    setCaptureRect(s, window);
    save();
    host_.restartPreview();
    lastWindowRect_ = window;
}

void WindowTracker::followMonitor(const platform::Rect& window) {
    Settings& s = app_.settings;
    const long long onPrimary = overlapArea(window, primaryScreen());
    const long long onSecond = overlapArea(window, app_.environment.otherWorkRect);
    if (onPrimary == 0 && onSecond == 0) return;

    host_.stopTimer();
    // A window across both monitors belongs to the one holding more of it;
    // on a tie the monitor stays, so that it cannot flip on every tick.
    int wanted = onSecond > onPrimary ? 2 : 1;
    if (onSecond > 0 && onPrimary > 0 && onSecond == onPrimary) wanted = s.monitor;
    if ((wanted == 2 && s.monitor == 1) || (wanted == 1 && s.monitor == 2)) {
        s.monitor = wanted;
        save();
        host_.restartPreview();
    }
    host_.startTimer(kTimer_ms);
}

void WindowTracker::showStatus(const std::string& trackedTitle) {
    const Settings& s = app_.settings;
    std::optional<std::string> text;
    if (s.fullScreen != 0) text = "Full screen mode. Open Settings to change.";
    else if (!zoomMode_ && !googleMode_ && !otherMode_ && s.autoMark != 0)
        text = "Google Meeting / Zoom windows not detected";
    else if (s.marked != 0 && s.autoMark == 0) text = "Screen capture mode. Open Settings to change.";

    if (googleMode_ && !trackedTitle.empty())
        text = trackedTitle == googleTitle_ ? std::string("Google Meeting") : trackedTitle;
    else if (zoomMode_ || otherMode_)
        text = trackedTitle;

    if (text) host_.showStatus(*text);
}

int WindowTracker::DetectMeetingWindows(int requested) {
    googleWindow_ = 0;
    searchGoogleMeet();
    zoomWindow_ = 0;
    zoomWindow_ = FindZoomWindow(app_.platform.windows).window;

    const bool google = googleWindow_ != 0;
    const bool zoom = zoomWindow_ != 0;
    if (google && zoom) return requested;
    if (zoom) return kZoom;
    if (google) return kGoogleMeet;
    return 0;
}

void WindowTracker::TrackZoomWindow(const std::function<void()>& refreshChecks) {
    trackMeeting(kZoom, refreshChecks);
}

void WindowTracker::TrackGoogleWindow(const std::function<void()>& refreshChecks) {
    trackMeeting(kGoogleMeet, refreshChecks);
}

void WindowTracker::trackMeeting(int kind, const std::function<void()>& refreshChecks) {
    bool& own = kind == kZoom ? zoomMode_ : googleMode_;
    bool& other = kind == kZoom ? googleMode_ : zoomMode_;
    host_.stopTimer();
    if (DetectMeetingWindows(kind) == kind) {
        own = true;
        other = false;
        Settings& s = app_.settings;
        s.fullScreen = 0;
        s.marked = 0;
        s.autoMark = 1;
        save();
        if (refreshChecks) refreshChecks();
        app_.platform.pump.pump(kTimer_ms);
    } else {
        own = false;
    }
    host_.startTimer(kTimer_ms);
}

void WindowTracker::EnableTracking(TrackingCommandSource source) {
    Settings& s = app_.settings;
    if (source == TrackingCommandSource::SettingsDialog && (zoomMode_ || googleMode_)) return;
    if (source == TrackingCommandSource::RecorderMenu && s.marked == 0 && s.fullScreen == 0) return;
    s.autoMark = 1;
    s.fullScreen = 0;
    s.marked = 0;
    save();
}

bool WindowTracker::nothingTracked() const {
    const Settings& s = app_.settings;
    return s.autoMark != 0 && s.fullScreen == 0 && s.marked == 0 && !zoomMode_ && !googleMode_ && !otherMode_;
}

void WindowTracker::clearMeetingModes() {
    zoomMode_ = false;
    googleMode_ = false;
    otherMode_.reset();
}

void WindowTracker::ApplyFullScreenRect() {
    Settings& s = app_.settings;
    s.fullScreen = 1;
    s.autoMark = 0;
    platform::Rect screen = primaryScreen();
    if (app_.environment.monitorCount >= 2 && s.monitor == 2) {
        screen = app_.environment.otherMonitorRect;
        s.fullScreen = 2;
    }
    setCaptureRect(s, moveOffZeroEdges(screen));
    save();
}

void WindowTracker::ApplyNoTargetRect() {
    Settings& s = app_.settings;
    platform::Rect area = primaryScreen();
    if (app_.environment.monitorCount >= 2 && s.monitor == 2) {
        area = app_.environment.otherMonitorRect;
        // Ends tracking until the user picks a mode again.
        s.fullScreen = 2;
    }
    setCaptureRect(s, {area.left + kNoTargetInset, area.top + kNoTargetInset, area.right - kNoTargetInset,
                       area.bottom - kNoTargetInset});
    // The recording start reads the file again: the new rectangle must be there.
    save();
}

bool WindowTracker::MakeRecordingFileName(std::time_t now, const std::string& sharedWindowTitle) {
    const Settings& s = app_.settings;
    const char* word = "Talvora";
    if (googleMode_) word = "Google Meeting";
    else if (zoomMode_) word = "Zoom";
    else if (otherMode_) word = ServiceWord(*otherMode_);
    else if (const char* shared = MeetingWordOfTitle(sharedWindowTitle)) word = shared;
    const std::optional<std::string> name =
        MakeUniqueFileName(s.recordingFolder, RecordingFileName(word, now, s.protocol), app_.platform.log,
                           app_.platform.messageBox);
    if (!name) return false;
    recordingFileName_ = *name;
    recordingPath_ = platform::paths::join(s.recordingFolder, *name);
    return true;
}

void WindowTracker::checkStartupPosition() {
    if (startupChecked_ || !host_.previewReady()) return;
    startupChecked_ = true;
    Settings& s = app_.settings;
    const platform::Rect& first = app_.environment.mainMonitorRect;
    if (s.monitor != 1 || (s.xTop >= first.left && s.xTop <= first.right)) return;
    s.xTop = first.left;
    s.yTop = first.top;
    store_.write();
    store_.read();
    host_.restartPreview();
}

void WindowTracker::refreshBackgroundMode() {
    const Settings& s = app_.settings;
    if (!host_.previewReady() || app_.recording.load() || s.hideWindow == 0) return;
    const int scale = computeSecondMonitorScale();
    secondMonitorScale_ = scale;
    const bool active = windowCaptureActive_.load();
    // The preview's capture filter takes both values only when it is built.
    if (active != lastCaptureActive_ || scale != lastSecondScale_) host_.restartPreview();
    lastCaptureActive_ = active;
    lastSecondScale_ = scale;
}

int WindowTracker::computeSecondMonitorScale() const {
    if (!windowCaptureActive_.load() || app_.settings.monitor != 2) return kFullPercent;
    const int mainScale = app_.scales.mainScale == 0 ? kFullPercent : app_.scales.mainScale;
    const double ratio = app_.scales.secondScale * kFullPercent / mainScale;
    // A scale from odd launcher values may not fit an int at all.
    if (!std::isfinite(ratio) || ratio >= std::numeric_limits<int>::max() || ratio <= std::numeric_limits<int>::min())
        return kFullPercent;
    const int percent = static_cast<int>(ratio);
    return percent == 0 ? kFullPercent : percent;
}

platform::Rect WindowTracker::primaryScreen() const {
    // With one monitor the live screen size; with more, the monitor holding
    // the primary screen's centre (the X screen spans all monitors).
    if (app_.environment.monitorCount >= 2) return app_.environment.mainMonitorRect;
    platform::Display& display = app_.platform.display;
    return {0, 0, display.screenWidth(), display.screenHeight()};
}

void WindowTracker::save() { store_.write(); }

}  // namespace talvora
