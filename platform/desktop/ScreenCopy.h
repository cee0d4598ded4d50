#pragma once

#include <cstdint>

#include "platform/desktop/Geometry.h"

namespace platform {

// Plain copies of a rectangle of the screen as the system's screenshot makes
// them: 32 bits a pixel in the byte order blue, green, red, fourth byte, rows
// from the bottom up (row 0 is the rectangle's bottom row), no cursor, every
// window that is on the screen included. Any thread, one caller at a time.
class ScreenCopy {
public:
    // Codes of a failed copy, as the motion search reports them.
    static constexpr int kNoDevice = 1;  // the display cannot be opened
    static constexpr int kCopyFailed = 4;

    virtual ~ScreenCopy() = default;
    // Fills `pixels` (area.width() x area.height() x 4 bytes); 0 on success,
    // else one of the codes above.
    virtual int copy(const Rect& area, std::uint8_t* pixels) = 0;
};

}  // namespace platform
