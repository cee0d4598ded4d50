#include "platform/media/linux/ScreenCaptureFilter.h"

#include <string>

#include "platform/core/Format.h"

namespace platform {

ScreenCaptureFilter::ScreenCaptureFilter(std::shared_ptr<ScreenCaptureSettings> settings, ScreenSource& source,
                                         DiagnosticLog& log)
    : Filter(kScreenCaptureClassId),
      settings_(std::move(settings)),
      source_(source),
      log_(log),
      output_(addPin("Output", PinDirection::Output)),
      capture_(addPin("Capture", PinDirection::Output)) {}

ScreenCaptureFilter::~ScreenCaptureFilter() = default;

HRESULT ScreenCaptureFilter::configure(const std::array<int, 16>& values) { return settings_->configure(values); }

ScreenCaptureParams ScreenCaptureFilter::params() const { return connected_ ? *connected_ : settings_->params(); }

void ScreenCaptureFilter::onConnected(Pin& pin) {
    if (pin.direction() == PinDirection::Output && !connected_) connected_ = settings_->params();
}

void ScreenCaptureFilter::onDisconnected(Pin&) {
    if (!output_.isConnected() && !capture_.isConnected()) connected_.reset();
}

MediaType ScreenCaptureFilter::offeredType(const Pin&) const {
    const ScreenCaptureParams params = this->params();
    if (params.rect.width() <= 0 || params.rect.height() <= 0) return {};
    return MediaType::ofVideo(
        {params.rect.width(), params.rect.height(), params.bitsPerPixel, params.framesPerSecond});
}

HRESULT ScreenCaptureFilter::changeState(FilterState from, FilterState to, StreamClock& clock) {
    if (to == FilterState::Stopped) {
        if (worker_) {
            captured_ = worker_->captured();
            late_ = worker_->late();
            overflowed_ = worker_->overflowed();
            const std::int64_t unchanged = worker_->unchanged();
            lastFault_ = worker_->fault();
            worker_.reset();
            // Tells from a user's log whether the machine kept up.
            log_.append(format("\r\nScreen capture: %lld frames captured, %lld dropped as late, %lld dropped "
                               "because downstream was full, %lld unchanged and not sent",
                               static_cast<long long>(captured_), static_cast<long long>(late_),
                               static_cast<long long>(overflowed_), static_cast<long long>(unchanged)));
        }
        return S_OK;
    }
    if (from == FilterState::Stopped && (output_.isConnected() || capture_.isConnected())) {
        if (!source_.ready()) {
            log_.append("\r\nScreen capture cannot start: " + source_.error());
            return E_FAIL;
        }
        auto reader = source_.openReader();
        if (reader->errorCode() != ScreenError::None) {
            log_.append("\r\nScreen capture cannot start: " + reader->error());
            return E_FAIL;
        }
        lastFault_ = {};
        // The connected size is what downstream expects, whatever the
        // settings say since: the run keeps the values of its start.
        worker_ = std::make_unique<ScreenCaptureWorker>(
            std::move(reader), params(), clock, [this](const SamplePtr& s) { deliver(s); },
            [this] { deliverEndOfStream(); }, log_);
    }
    if (worker_) worker_->setRunning(to == FilterState::Running);
    return S_OK;
}

ScreenFault ScreenCaptureFilter::screenFault() const { return worker_ ? worker_->fault() : lastFault_; }

void ScreenCaptureFilter::deliver(const SamplePtr& sample) const {
    output_.deliver(sample);
    capture_.deliver(sample);
}

void ScreenCaptureFilter::deliverEndOfStream() const {
    output_.deliverEndOfStream();
    capture_.deliverEndOfStream();
}

std::vector<std::pair<std::string, std::string>> ScreenCaptureFilter::properties() const {
    static const char* const kNames[16] = {"Frame rate",   "Bits per pixel", "Left",           "Top",
                                           "Right",        "Bottom",         "Protocol",       "Video bit rate",
                                           "Value 9",      "Cursor",         "Value 11",       "Window",
                                           "Window capture", "Value 14",     "Scale percent",  "Value 16"};
    std::vector<std::pair<std::string, std::string>> list;
    const auto values = settings_->values();
    for (std::size_t i = 0; i < values.size(); ++i) list.emplace_back(kNames[i], std::to_string(values[i]));
    const bool live = worker_ != nullptr;
    list.emplace_back("Frames captured", std::to_string(live ? worker_->captured() : captured_));
    list.emplace_back("Frames skipped (late)", std::to_string(live ? worker_->late() : late_));
    list.emplace_back("Frames dropped (downstream full)", std::to_string(live ? worker_->overflowed() : overflowed_));
    return list;
}

}  // namespace platform
