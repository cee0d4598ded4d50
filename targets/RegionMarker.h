#pragma once

#include <atomic>
#include <memory>

#include "app/AppContext.h"
#include "app/RecorderWindows.h"
#include "platform/desktop/Geometry.h"
#include "targets/MarkWindow.h"
#include "targets/MotionScanThread.h"

namespace platform {
class ScreenCopy;
}

namespace talvora {

class MarkingHost;
class SettingsStore;

// The manual marking of the capture rectangle with the region frame, and the
// motion-video search that opens the frame on a video it finds. Owns the
// frame (at most one) and the search worker. UI thread.
class RegionMarker : public RegionMarking, private MarkWindow::Events {
public:
    RegionMarker(AppContext& ctx, SettingsStore& store, MarkingHost& host, platform::ScreenCopy& screen);
    ~RegionMarker() override;

    // RegionMarking: "Mark a screen &regioon " and "Mark entire &screen".
    void markRegion() override;
    void markEntireScreen() override;
    int markingState() override { return state_; }
    void closeMarkingWindow() override;
    bool regionFrameShown() override { return state_ == 2; }
    // Clears a marking state that nothing holds any more; a frame shown or a
    // search under way keeps it: the state is this object's to end.
    void resetMarkingState() override;
    void OnMotionSearchResult(int code) override;

    void OpenRegionFrame();
    void AcceptRegionFrame();
    void CloseRegionFrameKeepRect();
    // Retry: a new search for a playing video.
    void StartMotionSearch();

    MarkWindow* frame() const { return frame_.get(); }
    MotionScanThread& scanner() { return scanner_; }
    // 1 while no frame is pending or open.
    int openFlag() const { return openFlag_; }

private:
    // Step 3 of opening: the frame on the capture rectangle.
    void openOnCaptureRect();
    void destroyFrame();
    void setCaptureRect(const platform::Rect& r);

    // MarkWindow::Events
    void onFrameButton(int id) override;
    void onFrameClicked() override;
    void onFrameClosed() override;
    void onFrameSized(const platform::Rect& window) override;
    void onFrameFirstTick() override;

    AppContext& ctx_;
    SettingsStore& store_;
    MarkingHost& host_;
    // 0 idle, 1 search running (or the frame being opened), 2 frame shown.
    std::atomic<int> state_{0};
    // From Retry until this search's result has been taken.
    bool searching_ = false;
    int openFlag_ = 1;
    platform::Rect frameRect_;
    struct LaterDeleter {
        void operator()(MarkWindow* w) const;
    };
    std::unique_ptr<MarkWindow, LaterDeleter> frame_;
    MotionScanThread scanner_;
};

}  // namespace talvora
