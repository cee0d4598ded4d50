#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/media/Filter.h"
#include "platform/media/QualityProperties.h"
#include "platform/media/VideoWindow.h"
#include "platform/media/linux/LatestFrame.h"
#include "platform/media/linux/VideoRendererWidget.h"

namespace platform {

// Draws the video of its input pin "Input" into a child widget of an owner
// window of this process (a Qt widget found by its X window id). Frames come
// on the upstream filter's thread and only the newest is handed to the UI
// thread, by one queued call however many arrive meanwhile, so the streaming
// thread never waits for painting. Without an owner frames are dropped.
// Made, controlled and destroyed on the UI thread.
class VideoRendererFilter : public Filter, public VideoWindow, public QualityProperties {
public:
    explicit VideoRendererFilter(std::string classId);
    ~VideoRendererFilter() override;

    // Packed 24- or 32-bit video only.
    HRESULT acceptType(Pin& input, const MediaType& type) override;
    void receive(Pin& input, const SamplePtr& sample) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    std::vector<std::pair<std::string, std::string>> properties() const override;

    // VideoWindow. Position and visibility given before an owner apply once
    // there is one. E_INVALIDARG for an id that is no widget of this process.
    HRESULT setOwner(WindowId owner) override;
    HRESULT setAutoShow(bool on) override;
    HRESULT setVisible(bool visible) override;
    HRESULT setWindowPosition(int left, int top, int width, int height) override;
    HRESULT setForeground() override;

    // QualityProperties: frames drawn, and those let go without an owner,
    // while hidden, or because a newer one came before drawing.
    std::int64_t framesDrawn() const override { return drawn_; }
    std::int64_t framesDroppedInRenderer() const override { return dropped_ + latest_.replaced(); }

private:
    // UI thread: draws the frame waiting in latest_.
    void present();

    Pin& input_;
    LatestFrame latest_;
    std::atomic<bool> hasOwner_{false};
    // The window was hidden (with its owner, say) at the last drawing.
    std::atomic<bool> unseen_{false};
    std::atomic<std::int64_t> received_{0};
    std::atomic<std::int64_t> dropped_{0};
    std::int64_t drawn_ = 0;

    // UI thread only.
    QPointer<VideoRendererWidget> widget_;  // a child of the owner, which may delete it first
    QRect position_;
    bool visible_ = false;
    bool autoShow_ = true;
    bool shownThisRun_ = false;
    // Receives the queued hand-overs; pending ones die with it.
    std::unique_ptr<QObject> uiContext_;
};

}  // namespace platform
