#pragma once

#include <array>
#include <mutex>

#include "platform/core/HResult.h"
#include "platform/media/linux/ScreenCaptureParams.h"

namespace platform {

// The set-up values of the screen capture, shared by every instance one
// factory makes: the callers configure one instance and then use a second,
// so values carry over. Any thread.
class ScreenCaptureSettings {
public:
    ScreenCaptureSettings();

    // Keeps the values when they parse; leaves the old ones otherwise.
    HRESULT configure(const std::array<int, 16>& values);
    std::array<int, 16> values() const;
    ScreenCaptureParams params() const;

private:
    mutable std::mutex mutex_;
    std::array<int, 16> values_;
    ScreenCaptureParams params_;
};

}  // namespace platform
