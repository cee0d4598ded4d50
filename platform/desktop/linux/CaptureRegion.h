#pragma once

#include "platform/desktop/Geometry.h"

namespace platform {

// Where a requested rectangle meets what can be read (the screen, or a
// window's contents): the part to read, and where it lands in the frame.
// The frame always has the requested size; the rest of it stays black.
struct CaptureRegion {
    Rect source;  // in the coordinates of `bounds`, inside it; empty when nothing overlaps
    Point offset;  // top-left of `source` in the frame

    bool empty() const { return source.width() <= 0 || source.height() <= 0; }

    // `requested` and `bounds` in the same (root) coordinates; `source` comes
    // back relative to the top-left of `bounds`, as a drawable reads it.
    static CaptureRegion clip(const Rect& requested, const Rect& bounds);
};

}  // namespace platform
