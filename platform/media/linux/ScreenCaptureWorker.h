#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/core/DiagnosticLog.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/media/ScreenCaptureStatus.h"
#include "platform/media/StreamClock.h"
#include "platform/media/linux/FramePool.h"
#include "platform/media/linux/SampleDelivery.h"
#include "platform/media/linux/ScreenCaptureParams.h"
#include "platform/desktop/linux/X11ScreenReader.h"

namespace platform {

// The capture thread of one run of the screen capture: grabs a frame each
// time the stream clock reaches the next frame's time (FramePacer) while it
// is told to run, and hands it to a SampleDelivery, which never blocks it.
// A frame whose picture did not change is not sent, except once a second
// (so that writers and players hear from the stream) and at the end (so
// that the stream lasts as long as the recording). A read that fails ends the
// capture; it and a picture that stays black are kept as the run's fault.
// Made and destroyed on the UI thread by the filter's state changes.
class ScreenCaptureWorker {
public:
    ScreenCaptureWorker(std::unique_ptr<ScreenReader> reader, const ScreenCaptureParams& params,
                        const StreamClock& clock, SampleDelivery::Deliver deliver,
                        SampleDelivery::EndOfStream endOfStream, DiagnosticLog& log);
    // Stops the capture and returns once the end of the stream is delivered.
    ~ScreenCaptureWorker();
    ScreenCaptureWorker(const ScreenCaptureWorker&) = delete;
    ScreenCaptureWorker& operator=(const ScreenCaptureWorker&) = delete;

    // UI thread: frames are captured only while running (the graph runs).
    void setRunning(bool running);

    std::int64_t captured() const { return captured_; }
    // Frames skipped because the capture fell behind the clock.
    std::int64_t late() const { return late_; }
    // Frames that showed the same picture as the frame before and were not
    // sent: an unchanged screen is neither converted nor encoded again.
    std::int64_t unchanged() const { return unchanged_; }
    // Frames dropped because downstream had not taken the earlier ones (or
    // still held all the buffers).
    std::int64_t overflowed() const { return delivery_.dropped() + noBuffer_; }
    // Any thread.
    ScreenFault fault() const;

private:
    void run();
    void captureLoop();
    // False when the frame shows what the last one sent showed, and that was
    // sent recently enough: it is kept back, to be sent at the stop.
    bool worthSending(const std::shared_ptr<MediaSample>& sample);
    // Follows how long the picture has been black; `sent` tells whether the
    // frame differs from the one before (an unchanged one cannot change it).
    void watchBlack(const ImageView& frame, std::int64_t pts_100ns, bool sent);
    void readFailed();
    // Sleeps up to `timeout_100ns` of real time, less when woken.
    void sleep(std::int64_t timeout_100ns);
    void wake();

    std::unique_ptr<ScreenReader> reader_;
    const ScreenCaptureParams params_;
    const StreamClock& clock_;
    DiagnosticLog& log_;
    FramePool pool_;
    SampleDelivery delivery_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> captured_{0};
    std::atomic<std::int64_t> late_{0};
    std::atomic<std::int64_t> unchanged_{0};
    std::atomic<std::int64_t> noBuffer_{0};
    SamplePtr lastSent_;
    SamplePtr keptBack_;  // the newest unchanged frame not sent
    std::optional<std::int64_t> blackSince_100ns_;
    std::atomic<bool> black_{false};
    std::atomic<bool> failed_{false};  // set once failure_ is written
    ScreenFault failure_;

    std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool woken_ = false;  // guarded by mutex_

    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace platform
