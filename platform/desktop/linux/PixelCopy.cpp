#include "platform/desktop/linux/PixelCopy.h"

#include <libyuv/scale_argb.h>

#include <algorithm>
#include <cstring>

namespace platform {

void copyBgrx(const std::uint8_t* src, int srcStride, int width, int height, ImageView dst, int x, int y) {
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = src + static_cast<std::ptrdiff_t>(row) * srcStride;
        std::uint8_t* out = dst.data + static_cast<std::ptrdiff_t>(y + row) * dst.stride +
                            static_cast<std::ptrdiff_t>(x) * dst.bytesPerPixel;
        if (dst.bytesPerPixel == 4) {
            for (int i = 0; i < width; ++i) {
                std::uint32_t pixel;
                std::memcpy(&pixel, in + 4 * i, 4);
                pixel |= 0xFF000000u;  // little-endian BGRX: the X byte is the top one
                std::memcpy(out + 4 * i, &pixel, 4);
            }
        } else {
            for (int i = 0; i < width; ++i) {
                out[3 * i] = in[4 * i];
                out[3 * i + 1] = in[4 * i + 1];
                out[3 * i + 2] = in[4 * i + 2];
            }
        }
    }
}

namespace {

void fillBlack(ImageView dst, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const std::uint32_t black = 0xFF000000u;
    for (int row = y; row < y + height; ++row) {
        std::uint8_t* out = dst.data + static_cast<std::ptrdiff_t>(row) * dst.stride +
                            static_cast<std::ptrdiff_t>(x) * dst.bytesPerPixel;
        if (dst.bytesPerPixel == 3) {
            std::memset(out, 0, static_cast<std::size_t>(width) * 3);
            continue;
        }
        for (int i = 0; i < width; ++i) std::memcpy(out + 4 * i, &black, 4);
    }
}

}  // namespace

void fitBgrx(const std::uint8_t* src, int srcStride, int width, int height, ImageView dst,
             std::vector<std::uint8_t>& scratch) {
    if (width <= 0 || height <= 0 || dst.width <= 0 || dst.height <= 0) {
        fillBlackOutside(dst, Rect{});
        return;
    }
    // The side that fills the frame first decides the scale.
    int fitWidth = dst.width;
    int fitHeight = static_cast<int>(static_cast<long long>(height) * dst.width / width);
    if (fitHeight > dst.height) {
        fitHeight = dst.height;
        fitWidth = static_cast<int>(static_cast<long long>(width) * dst.height / height);
    }
    fitWidth = std::max(fitWidth, 1);
    fitHeight = std::max(fitHeight, 1);
    scratch.resize(static_cast<std::size_t>(fitWidth) * fitHeight * 4);
    libyuv::ARGBScale(src, srcStride, width, height, scratch.data(), fitWidth * 4, fitWidth, fitHeight,
                      libyuv::kFilterBox);
    const int x = (dst.width - fitWidth) / 2;
    const int y = (dst.height - fitHeight) / 2;
    copyBgrx(scratch.data(), fitWidth * 4, fitWidth, fitHeight, dst, x, y);
    fillBlackOutside(dst, Rect{x, y, x + fitWidth, y + fitHeight});
}

void fillBlackOutside(ImageView dst, const Rect& keep) {
    const int left = std::clamp(keep.left, 0, dst.width);
    const int right = std::clamp(keep.right, left, dst.width);
    const int top = std::clamp(keep.top, 0, dst.height);
    const int bottom = std::clamp(keep.bottom, top, dst.height);
    fillBlack(dst, 0, 0, dst.width, top);
    fillBlack(dst, 0, bottom, dst.width, dst.height - bottom);
    fillBlack(dst, 0, top, left, bottom - top);
    fillBlack(dst, right, top, dst.width - right, bottom - top);
}

void blendPremultipliedArgb(const std::uint32_t* src, int width, int height, ImageView dst, int x, int y) {
    const int firstRow = std::max(0, -y);
    const int lastRow = std::min(height, dst.height - y);
    const int firstColumn = std::max(0, -x);
    const int lastColumn = std::min(width, dst.width - x);
    for (int row = firstRow; row < lastRow; ++row) {
        std::uint8_t* out = dst.data + static_cast<std::ptrdiff_t>(y + row) * dst.stride;
        for (int column = firstColumn; column < lastColumn; ++column) {
            const std::uint32_t pixel = src[static_cast<std::ptrdiff_t>(row) * width + column];
            const unsigned alpha = pixel >> 24;
            if (alpha == 0) continue;
            std::uint8_t* p = out + static_cast<std::ptrdiff_t>(x + column) * dst.bytesPerPixel;
            const unsigned keep = 255 - alpha;
            // Premultiplied: the source's colour already carries its alpha.
            for (int c = 0; c < 3; ++c) {
                const unsigned colour = (pixel >> (8 * c)) & 0xFF;
                p[c] = static_cast<std::uint8_t>(std::min(255u, colour + (p[c] * keep + 127) / 255));
            }
        }
    }
}

}  // namespace platform
