#include "platform/media/linux/ScreenCaptureSettings.h"

namespace platform {

namespace {
// Until configured: 15 frames per second of the top-left 640 x 480, 32 bits.
constexpr std::array<int, 16> kDefaultValues{15, 32, 0, 0, 640, 480, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0};
}  // namespace

ScreenCaptureSettings::ScreenCaptureSettings() : values_(kDefaultValues) {
    ScreenCaptureParams::parse(values_, params_);
}

HRESULT ScreenCaptureSettings::configure(const std::array<int, 16>& values) {
    ScreenCaptureParams parsed;
    if (const HRESULT hr = ScreenCaptureParams::parse(values, parsed); failed(hr)) return hr;
    std::lock_guard lock(mutex_);
    values_ = values;
    params_ = parsed;
    return S_OK;
}

std::array<int, 16> ScreenCaptureSettings::values() const {
    std::lock_guard lock(mutex_);
    return values_;
}

ScreenCaptureParams ScreenCaptureSettings::params() const {
    std::lock_guard lock(mutex_);
    return params_;
}

}  // namespace platform
