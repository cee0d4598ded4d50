#pragma once

#include <cstdint>

#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

// Turns packed BGR or BGRX pictures into an encoder's pictures. The common
// case, a 4:2:0 picture of the same size, goes through libyuv's rows (about
// a tenth of swscale's time, BT.601 studio range like swscale's); another
// size or format is scaled by swscale.
class PictureConverter {
public:
    // AVERROR code on failure.
    int open(int width, int height, int bitsPerPixel, int outWidth, int outHeight, AVPixelFormat out);
    void convert(const std::uint8_t* pixels, int stride, AVFrame& picture) const;

    bool scales() const { return scaler_ != nullptr; }

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 32;
    ffmpeg::SwsContextPtr scaler_;  // null where libyuv converts
};

}  // namespace platform
