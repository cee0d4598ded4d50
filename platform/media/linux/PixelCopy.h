#pragma once

#include <cstdint>

#include "platform/desktop/Geometry.h"

namespace platform {

// A frame being filled: packed BGRX (4 bytes a pixel) or BGR (3) rows, top-down.
struct ImageView {
    std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row
    int bytesPerPixel = 4;
};

// Copies a block of 32-bit BGRX pixels as the X server gives them into `dst`
// at (x, y), in dst's depth; the fourth byte becomes 0xFF so that readers may
// take it as opaque alpha. The block must lie inside `dst`.
void copyBgrx(const std::uint8_t* src, int srcStride, int width, int height, ImageView dst, int x, int y);

// Makes every pixel of `dst` outside `keep` (frame coordinates) opaque black.
void fillBlackOutside(ImageView dst, const Rect& keep);

// Draws an image of premultiplied ARGB pixels (a cursor as XFixes gives it)
// over `dst` with its top-left at (x, y); what falls outside is left out.
void blendPremultipliedArgb(const std::uint32_t* src, int width, int height, ImageView dst, int x, int y);

}  // namespace platform
