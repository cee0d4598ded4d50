#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/Filter.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/ScreenCaptureStatus.h"
#include "platform/media/linux/ScreenCaptureSettings.h"
#include "platform/media/linux/ScreenCaptureWorker.h"

namespace platform {

// The screen-capture source: a rectangle of the desktop (or a window's own
// contents) read from the program's screen source at the configured frame
// rate and depth.
//
// It has two output pins with the same video: "Output", which the recording
// graph connects, and "Capture", which the preview graph renders. Each
// delivers while connected. Settings are shared with the other instances of
// the same factory. Built and controlled on the UI thread; frames flow on a
// delivery thread of its worker.
class ScreenCaptureFilter : public Filter, public ScreenCaptureConfig, public ScreenCaptureStatus {
public:
    // `source` and `log` outlive the filter.
    ScreenCaptureFilter(std::shared_ptr<ScreenCaptureSettings> settings, ScreenSource& source, DiagnosticLog& log);
    ~ScreenCaptureFilter() override;

    HRESULT configure(const std::array<int, 16>& values) override;

    // The configured rectangle's size and depth; none for an empty rectangle.
    // Once an output is connected, what it was connected with.
    MediaType offeredType(const Pin& output) const override;
    // The first connection fixes this instance's values: another instance of
    // the factory (the preview's) may configure the shared ones since, and
    // downstream must still get the size and rate it was connected with.
    void onConnected(Pin& pin) override;
    void onDisconnected(Pin& pin) override;
    // Leaving Stopped opens a reader of the screen source (E_FAIL when the
    // source is not ready or cannot read) and starts the capture thread with
    // params(); frames flow only while Running; Stopped joins it.
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    // The fault of the current run, else of the last one. UI thread.
    ScreenFault screenFault() const override;
    // The set-up values and the counts of the current or last run.
    std::vector<std::pair<std::string, std::string>> properties() const override;

private:
    // What this instance captures: the values it was connected with, else
    // the shared ones.
    ScreenCaptureParams params() const;
    void deliver(const SamplePtr& sample) const;
    void deliverEndOfStream() const;

    std::shared_ptr<ScreenCaptureSettings> settings_;
    ScreenSource& source_;
    DiagnosticLog& log_;
    Pin& output_;
    Pin& capture_;
    std::optional<ScreenCaptureParams> connected_;
    std::unique_ptr<ScreenCaptureWorker> worker_;
    // Counts of a finished run, kept for properties().
    std::int64_t captured_ = 0;
    std::int64_t late_ = 0;
    std::int64_t overflowed_ = 0;
    ScreenFault lastFault_;
};

}  // namespace platform
