#include "platform/media/linux/PictureConverter.h"

#include <libyuv/convert.h>

namespace platform {

int PictureConverter::open(int width, int height, int bitsPerPixel, int outWidth, int outHeight, AVPixelFormat out) {
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    scaler_.reset();
    if (width == outWidth && height == outHeight && out == AV_PIX_FMT_YUV420P) return 0;
    // The chroma is taken from every pixel's colour (SWS_FULL_CHR_H_INP)
    // and filtered down to the codec's chroma width: that runs on swscale's
    // SIMD paths, in about two thirds of the time of averaging pixel pairs.
    const AVPixelFormat source = bitsPerPixel == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0;
    scaler_.reset(sws_getContext(width, height, source, outWidth, outHeight, out, SWS_BICUBIC | SWS_FULL_CHR_H_INP,
                                 nullptr, nullptr, nullptr));
    return scaler_ ? 0 : AVERROR(EINVAL);
}

void PictureConverter::convert(const std::uint8_t* pixels, int stride, AVFrame& picture) const {
    if (scaler_) {
        const std::uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
        const int strides[4] = {stride, 0, 0, 0};
        sws_scale(scaler_.get(), planes, strides, 0, height_, picture.data, picture.linesize);
        return;
    }
    // libyuv names packed pixels by the order in a little-endian word:
    // its "ARGB" is B, G, R, X in memory and its "RGB24" is B, G, R.
    const auto convert = bitsPerPixel_ == 24 ? libyuv::RGB24ToI420 : libyuv::ARGBToI420;
    convert(pixels, stride, picture.data[0], picture.linesize[0], picture.data[1], picture.linesize[1],
            picture.data[2], picture.linesize[2], width_, height_);
}

}  // namespace platform
