#include "platform/media/linux/ScreenCaptureParams.h"

#include <algorithm>

namespace platform {

HRESULT ScreenCaptureParams::parse(const std::array<int, 16>& values, ScreenCaptureParams& out) {
    ScreenCaptureParams p;
    p.framesPerSecond = std::clamp(values[0], 1, 1000);
    p.bitsPerPixel = values[1];
    if (p.bitsPerPixel != 24 && p.bitsPerPixel != 32) return E_INVALIDARG;
    const auto [left, right] = std::minmax(values[2], values[4]);
    const auto [top, bottom] = std::minmax(values[3], values[5]);
    // In 64 bits: corners far apart must not overflow the subtraction.
    if (std::int64_t{right} - left > kMaxSide || std::int64_t{bottom} - top > kMaxSide) return E_INVALIDARG;
    p.rect = {left, top, right, bottom};
    p.drawCursor = values[9] == 1;
    p.window = static_cast<WindowId>(values[11]);
    p.captureWindow = values[12] != 0 && p.window != 0;
    out = p;
    return S_OK;
}

}  // namespace platform
