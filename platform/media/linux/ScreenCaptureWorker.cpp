#include "platform/media/linux/ScreenCaptureWorker.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "platform/core/Format.h"
#include "platform/core/linux/ThreadName.h"
#include "platform/core/linux/ThreadPriority.h"
#include "platform/media/linux/FramePacer.h"

namespace platform {

namespace {
// Frames that may wait for downstream: enough to ride out a slow moment of
// the encoder, few enough that a stuck one costs little memory.
constexpr std::size_t kQueuedFrames = 4;

std::size_t frameBytes(const ScreenCaptureParams& params) {
    return static_cast<std::size_t>(params.stride()) * params.rect.height();
}
// Frames held at once, in the queues and encoders downstream, the preview
// and here: room for as much picture as the encoders' queues take (made
// only as needed), and never fewer than those that wait here and there.
constexpr std::size_t kPooledBytes = 128u << 20;
constexpr std::size_t kFewestPooled = 12;
std::size_t pooledFrames(const ScreenCaptureParams& params) {
    return std::max(kFewestPooled, kPooledBytes / std::max<std::size_t>(1, frameBytes(params)));
}
// Longest stretch without a frame sent while the picture stays the same.
constexpr std::int64_t kResendUnchanged_100ns = 10'000'000;
// Ahead of busy programs where it may be: a frame not taken on time is lost,
// while the encoders have a queue to catch up from.
constexpr int kGrabNiceValue = -10;
// Longest sleep, so that a pause or a stop is noticed at once.
constexpr std::int64_t kLongestSleep_100ns = 200'000;

// True when no pixel has colour; the fourth byte of BGRX does not count.
bool isBlack(const ImageView& frame) {
    for (int row = 0; row < frame.height; ++row) {
        const std::uint8_t* p = frame.data + static_cast<std::ptrdiff_t>(row) * frame.stride;
        if (frame.bytesPerPixel == 4) {
            for (int x = 0; x < frame.width; ++x)
                if ((p[4 * x] | p[4 * x + 1] | p[4 * x + 2]) != 0) return false;
        } else {
            for (int i = 0; i < frame.width * 3; ++i)
                if (p[i] != 0) return false;
        }
    }
    return true;
}
}  // namespace

ScreenCaptureWorker::ScreenCaptureWorker(std::unique_ptr<ScreenReader> reader, const ScreenCaptureParams& params,
                                         const StreamClock& clock, SampleDelivery::Deliver deliver,
                                         SampleDelivery::EndOfStream endOfStream, DiagnosticLog& log)
    : reader_(std::move(reader)),
      params_(params),
      clock_(clock),
      log_(log),
      pool_(frameBytes(params), pooledFrames(params)),
      delivery_(kQueuedFrames * frameBytes(params), std::move(deliver), std::move(endOfStream)),
      thread_([this] { run(); }) {}

ScreenCaptureWorker::~ScreenCaptureWorker() {
    stop_ = true;
    wake();
    thread_.join();
    // delivery_ goes next: it delivers what waits and the end of the stream.
}

void ScreenCaptureWorker::setRunning(bool running) {
    running_ = running;
    wake();
}

void ScreenCaptureWorker::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeUp_.notify_one();
}

void ScreenCaptureWorker::sleep(std::int64_t timeout_100ns) {
    std::unique_lock lock(mutex_);
    const auto timeout = std::chrono::microseconds(std::clamp<std::int64_t>(timeout_100ns, 0, kLongestSleep_100ns) / 10);
    wakeUp_.wait_for(lock, timeout, [&] { return woken_; });
    woken_ = false;
}

void ScreenCaptureWorker::run() {
    nameThisThread("Screen grab");
    log_.append("\r\nScreen grab " + favourThisThread(kGrabNiceValue));
    try {
        captureLoop();
    } catch (const std::exception& e) {
        log_.append(std::string("\r\nScreen capture stopped: ") + e.what());
    } catch (...) {
        log_.append("\r\nScreen capture stopped");
    }
    // Whatever happened, downstream hears that the stream ended.
    delivery_.close();
}

void ScreenCaptureWorker::captureLoop() {
    FramePacer pacer(params_.frameDuration_100ns());
    const int width = params_.rect.width();
    const int height = params_.rect.height();
    const int stride = params_.stride();
    const ScreenArea area = params_.area();
    while (!stop_) {
        if (!running_) {
            sleep(kLongestSleep_100ns);
            continue;
        }
        const std::int64_t now_100ns = clock_.now_100ns();
        const std::optional<std::int64_t> frame = pacer.due(now_100ns);
        if (!frame) {
            sleep(pacer.untilNext_100ns(now_100ns));
            continue;
        }
        auto sample = pool_.take();
        if (!sample) {
            // Downstream holds every buffer: this frame is dropped, as the
            // delivery would drop it.
            ++noBuffer_;
            continue;
        }
        sample->pts_100ns = pacer.timeOf_100ns(*frame);
        sample->duration_100ns = pacer.frameDuration_100ns();
        sample->stride = stride;
        const ImageView view{sample->data.data(), width, height, stride, params_.bitsPerPixel / 8};
        if (!reader_->read(area, view)) {
            readFailed();
            break;
        }
        ++captured_;
        late_ = pacer.dropped();
        const bool changed = worthSending(sample);
        watchBlack(view, sample->pts_100ns, changed);
        if (changed) delivery_.push(std::move(sample));
    }
    if (keptBack_) delivery_.push(keptBack_);
}

void ScreenCaptureWorker::readFailed() {
    log_.append("\r\nScreen capture stopped: " + reader_->error());
    failure_.error = reader_->errorCode() != ScreenError::None ? reader_->errorCode() : ScreenError::ReadFailed;
    failure_.text = reader_->error();
    failed_ = true;
}

void ScreenCaptureWorker::watchBlack(const ImageView& frame, std::int64_t pts_100ns, bool changed) {
    if (changed) {
        if (!isBlack(frame)) blackSince_100ns_.reset();
        else if (!blackSince_100ns_) blackSince_100ns_ = pts_100ns;
    }
    if (blackSince_100ns_ && pts_100ns - *blackSince_100ns_ >= ScreenFault::kBlackSeconds * 10'000'000LL && !black_) {
        log_.append(format("\r\nScreen capture: the picture has been black for %d s", ScreenFault::kBlackSeconds));
        black_ = true;
    }
}

ScreenFault ScreenCaptureWorker::fault() const {
    ScreenFault fault;
    if (failed_) fault = failure_;
    fault.black = black_;
    fault.anyFrame = captured_ > 0;
    return fault;
}

bool ScreenCaptureWorker::worthSending(const std::shared_ptr<MediaSample>& sample) {
    if (lastSent_ && sample->data == lastSent_->data &&
        sample->pts_100ns - lastSent_->pts_100ns < kResendUnchanged_100ns) {
        ++unchanged_;
        keptBack_ = sample;
        return false;
    }
    lastSent_ = sample;
    keptBack_.reset();
    return true;
}

}  // namespace platform
