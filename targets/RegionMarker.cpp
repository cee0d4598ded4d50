#include "targets/RegionMarker.h"

#include <cstdlib>

#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/core/Format.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/WindowMessages.h"
#include "targets/MarkingHost.h"

namespace talvora {

void RegionMarker::LaterDeleter::operator()(MarkWindow* w) const {
    // The frame is often closed from one of its own handlers.
    w->dismiss();
    w->deleteLater();
}

RegionMarker::RegionMarker(AppContext& ctx, SettingsStore& store, MarkingHost& host, platform::ScreenCopy& screen)
    : ctx_(ctx),
      store_(store),
      host_(host),
      scanner_({ctx.platform.display, screen, ctx.platform.windows, ctx.platform.messages, ctx.platform.messageBox}) {}

RegionMarker::~RegionMarker() = default;

void RegionMarker::setCaptureRect(const platform::Rect& r) {
    Settings& s = ctx_.settings;
    s.xTop = r.left;
    s.yTop = r.top;
    s.xBottom = r.right;
    s.yBottom = r.bottom;
}

void RegionMarker::markRegion() {
    host_.closeSettingsDialog();
    if (ctx_.recording) return;
    if (ctx_.settings.marked == 0) setCaptureRect({200, 200, 900, 700});
    if (ctx_.settings.showVideo == 0) host_.setTipText("");
    OpenRegionFrame();
}

void RegionMarker::markEntireScreen() {
    ctx_.settings.marked = 0;
    DetectMonitors(ctx_, store_);
    if (ctx_.settings.fullScreen != 0) return;
    host_.stopTimer();
    const Environment& env = ctx_.environment;
    setCaptureRect(ctx_.settings.monitor == 2 ? env.otherMonitorRect : env.mainMonitorRect);
    OpenRegionFrame();
    host_.startTimer(1000);
}

void RegionMarker::resetMarkingState() {
    if (!frame_ && !searching_) state_ = 0;
}

void RegionMarker::closeMarkingWindow() {
    if (frame_) AcceptRegionFrame();
}

void RegionMarker::OpenRegionFrame() {
    if (state_ == 1) return;
    if (state_ == 2 && frame_) {
        AcceptRegionFrame();
        state_ = 0;
        return;
    }
    state_ = 1;
    openOnCaptureRect();
}

void RegionMarker::openOnCaptureRect() {
    if (frame_) {
        AcceptRegionFrame();
        openFlag_ = 0;
    }
    if (openFlag_ == 0) {
        openFlag_ = 1;
    } else {
        const Settings& s = ctx_.settings;
        frameRect_ = {s.xTop, s.yTop, s.xBottom, s.yBottom};
        openFlag_ = 0;
        if (!ctx_.recording) {
            state_ = 2;
            frame_.reset(new MarkWindow(frameRect_, *this, ctx_.platform.windows, ctx_.platform.log));
        }
    }
    // No frame came of this request: nothing is being marked any more, and a
    // state left at 1 would keep the recorder from starting.
    if (!frame_) state_ = 0;
}

void RegionMarker::destroyFrame() {
    frame_.reset();
    openFlag_ = 1;
}

void RegionMarker::AcceptRegionFrame() {
    if (!frame_) return;
    if (ctx_.settings.showVideo == 0) host_.setTipText("");
    frameRect_ = frame_->windowRect();
    setCaptureRect(frameRect_);
    store_.write();
    destroyFrame();
    host_.showRecorderRestored();
    host_.restartPreview();
    store_.read();
    state_ = 0;
}

void RegionMarker::CloseRegionFrameKeepRect() {
    if (!frame_) return;
    frameRect_ = frame_->windowRect();
    setCaptureRect(frameRect_);
    destroyFrame();
}

void RegionMarker::StartMotionSearch() {
    state_ = 1;
    searching_ = true;
    host_.stopWatcher();
    host_.restartPreview();
    host_.showStatus("Searching for motion video. Start your video now.");
    ctx_.platform.pump.pump(1000);
    scanner_.start({ctx_.settings.monitor, host_.recorderWindow(), ctx_.messages.replicast});
}

void RegionMarker::OnMotionSearchResult(int code) {
    if (code != MotionScanThread::kFound && code != MotionScanThread::kEnded) return;
    // Only the report of the search under way counts: any process can post
    // this message, and a stale one would open the frame on old values.
    if (!scanner_.takeReport(code)) return;
    searching_ = false;
    host_.startWatcher();
    host_.showRecorderRestored();
    if (code == MotionScanThread::kFound) {
        host_.showStatus("Motion video detected. Click Accept in the video window...");
        if (ctx_.settings.showVideo == 0)
            host_.setTipText("Motion video detected. Click the marked window to exit search.");
        frameRect_ = scanner_.result();
        setCaptureRect(frameRect_);
        store_.write();
        openOnCaptureRect();
        return;
    }
    host_.showStatus(scanner_.grabError() != 0 ? "Error detecting video" : "Search stopped. No motion video detected.");
    state_ = 0;
    host_.beep();
    host_.setTipText(
        "No motion video was detected. Play your video then click Get Video again.\r\nOr click Mark Video to manually "
        "mark the video window.");
}

void RegionMarker::onFrameButton(int id) {
    if (!frame_) return;
    frame_->stopTimer();
    switch (id) {
        case MarkWindow::kAccept: AcceptRegionFrame(); break;
        case MarkWindow::kRecord:
            // The recorder starts at its next tick, as for the start hotkey.
            ctx_.platform.messages.post(host_.recorderWindow(), ctx_.messages.recordStop, 0, 0);
            AcceptRegionFrame();
            break;
        case MarkWindow::kRetry:
            CloseRegionFrameKeepRect();
            StartMotionSearch();
            break;
        default: break;
    }
}

void RegionMarker::onFrameClicked() { AcceptRegionFrame(); }

// Closing the frame keeps what it shows, as a click in it does.
void RegionMarker::onFrameClosed() { AcceptRegionFrame(); }

void RegionMarker::onFrameSized(const platform::Rect& window) {
    setCaptureRect(window);
    host_.showStatus(platform::format("%d,%d,%d,%d (%d,%d)", window.left, window.top, window.right, window.bottom,
                                      std::abs(window.right - window.left), std::abs(window.bottom - window.top)));
}

void RegionMarker::onFrameFirstTick() { host_.restartPreview(); }

}  // namespace talvora
