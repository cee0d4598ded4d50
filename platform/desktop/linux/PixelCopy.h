#pragma once

#include <cstdint>
#include <vector>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"

namespace platform {

// Copies a block of 32-bit BGRX pixels as the X server gives them into `dst`
// at (x, y), in dst's depth; the fourth byte becomes 0xFF so that readers may
// take it as opaque alpha. The block must lie inside `dst`.
void copyBgrx(const std::uint8_t* src, int srcStride, int width, int height, ImageView dst, int x, int y);

// Scales a BGRX picture into `dst` whole, keeping its aspect: centred, with
// black bars where the shapes differ. `scratch` holds the scaled picture
// between calls, so that a run does not allocate for every frame.
void fitBgrx(const std::uint8_t* src, int srcStride, int width, int height, ImageView dst,
             std::vector<std::uint8_t>& scratch);

// Makes every pixel of `dst` outside `keep` (frame coordinates) opaque black.
void fillBlackOutside(ImageView dst, const Rect& keep);

// Draws an image of premultiplied ARGB pixels (a cursor as XFixes gives it)
// over `dst` with its top-left at (x, y); what falls outside is left out.
void blendPremultipliedArgb(const std::uint32_t* src, int width, int height, ImageView dst, int x, int y);

}  // namespace platform
