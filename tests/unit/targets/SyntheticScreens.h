#pragma once

#include <cstdint>

#include "platform/desktop/Geometry.h"
#include "targets/ScanFrame.h"

namespace talvora::test {

struct Bgr {
    std::uint8_t blue = 0, green = 0, red = 0;
};

// Paints screen rectangles (top-down screen rows, relative to the frame's
// area) into a bottom-up frame as a screen copy lays it out.
inline void fillRect(ScanFrame& frame, const platform::Rect& r, Bgr colour) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            std::uint8_t* p = frame.pixel(x, frame.height() - 1 - y);
            p[0] = colour.blue;
            p[1] = colour.green;
            p[2] = colour.red;
            p[3] = 0xFF;
        }
}

// A picture of a playing video: colourful, and every pixel's green and red
// differ between phase 0 and phase 1.
inline void paintVideo(ScanFrame& frame, const platform::Rect& r, int phase) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            std::uint8_t* p = frame.pixel(x, frame.height() - 1 - y);
            p[0] = static_cast<std::uint8_t>(x * 3 + y);
            p[1] = static_cast<std::uint8_t>((x + 2 * y) | 1) ^ static_cast<std::uint8_t>(phase != 0 ? 0x80 : 0);
            p[2] = static_cast<std::uint8_t>((200 + (x & 31)) ^ (phase != 0 ? 0x08 : 0));
            p[3] = 0xFF;
        }
}

}  // namespace talvora::test
