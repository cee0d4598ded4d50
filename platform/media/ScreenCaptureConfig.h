#pragma once

#include <array>

#include "platform/core/HResult.h"

namespace platform {

constexpr const char* kScreenCaptureClassId = "{4EA6930A-2C8A-4AE6-A561-56E4B5044437}";

// The screen-capture filter's own set-up: 16 integers, in this order:
// frame rate, bits per pixel, left, top, right, bottom, protocol, video
// bit rate, 1, cursor, 0, tracked window (0 = none), window-capture flag, 0,
// scale percent, 0. Values carry over to instances created later.
class ScreenCaptureConfig {
public:
    virtual ~ScreenCaptureConfig() = default;
    virtual HRESULT configure(const std::array<int, 16>& values) = 0;
};

}  // namespace platform
