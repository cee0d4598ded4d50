#include "platform/desktop/linux/CaptureRegion.h"

#include <algorithm>
#include <cstdint>

namespace platform {

CaptureRegion CaptureRegion::clip(const Rect& requested, const Rect& bounds) {
    // 64-bit: a rectangle far off the screen must not overflow on the way.
    const std::int64_t left = std::max<std::int64_t>(requested.left, bounds.left);
    const std::int64_t top = std::max<std::int64_t>(requested.top, bounds.top);
    const std::int64_t right = std::min<std::int64_t>(requested.right, bounds.right);
    const std::int64_t bottom = std::min<std::int64_t>(requested.bottom, bounds.bottom);
    if (right <= left || bottom <= top) return {};
    CaptureRegion region;
    region.source = {static_cast<int>(left - bounds.left), static_cast<int>(top - bounds.top),
                     static_cast<int>(right - bounds.left), static_cast<int>(bottom - bounds.top)};
    region.offset = {static_cast<int>(left - requested.left), static_cast<int>(top - requested.top)};
    return region;
}

}  // namespace platform
