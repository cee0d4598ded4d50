#pragma once

#include <functional>
#include <vector>

#include "platform/desktop/ScreenCopy.h"

namespace platform {

// Screen copies drawn by the test: `draw` fills each copy (its index counted
// from 0, the area, the pixels in the copy's layout); without it the pixels
// stay as they are. The copy with index `failAt` fails with `failCode`.
class FakeScreenCopy : public ScreenCopy {
public:
    int copy(const Rect& area, std::uint8_t* pixels) override {
        const int index = copies++;
        areas.push_back(area);
        if (index == failAt) return failCode;
        if (draw) draw(index, area, pixels);
        return 0;
    }

    std::function<void(int index, const Rect& area, std::uint8_t* pixels)> draw;
    std::vector<Rect> areas;
    int copies = 0;
    int failAt = -1;
    int failCode = kCopyFailed;
};

}  // namespace platform
