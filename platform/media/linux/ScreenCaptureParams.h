#pragma once

#include <array>
#include <cstdint>

#include "platform/core/HResult.h"
#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/desktop/Windows.h"

namespace platform {

// What one run of the screen capture does, read from the 16 set-up values.
struct ScreenCaptureParams {
    // Longest side of a frame: a larger rectangle is refused, not allocated.
    static constexpr int kMaxSide = 16384;

    int framesPerSecond = 15;
    int bitsPerPixel = 32;  // 24 or 32
    // Root coordinates with left <= right and top <= bottom; it may reach off
    // the screen, and the frame has its size whatever the screen holds.
    Rect rect{0, 0, 640, 480};
    bool drawCursor = false;
    WindowId window = 0;
    bool captureWindow = false;  // the window's own contents instead of the screen

    std::int64_t frameDuration_100ns() const { return 10'000'000 / framesPerSecond; }
    int stride() const { return rect.width() * (bitsPerPixel / 8); }
    ScreenArea area() const { return {rect, window, captureWindow, drawCursor}; }

    // The values as the callers pass them: frame rate (at least 1), bits per
    // pixel, left, top, right, bottom (either corner first), ..., cursor (1
    // draws it), ..., window, window-capture flag. E_INVALIDARG for a depth
    // other than 24 or 32 or a side longer than kMaxSide.
    static HRESULT parse(const std::array<int, 16>& values, ScreenCaptureParams& out);
};

}  // namespace platform
