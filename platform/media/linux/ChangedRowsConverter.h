#pragma once

#include <map>
#include <vector>

#include "platform/media/MediaType.h"
#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

// Converts packed BGRX frames to an encoder's picture of the same size in
// bands of rows, and redoes only the bands whose rows differ from those of
// the frame converted before: on a mostly still screen (a slide, a grid of
// faces) most of the picture is kept from the last frame. A band is
// converted with a margin of rows above and below it, wider than the
// scaler's vertical filter reaches, and only its own rows are kept, so the
// picture is exactly the conversion of the whole frame. One thread.
class ChangedRowsConverter {
public:
    static constexpr int kBandRows = 64;
    // Rows converted beside a band: the chroma filter reads 4 at most. A
    // change within them redoes the band too.
    static constexpr int kMarginRows = 8;

    // AVERROR code for what bands cannot give exactly: an odd height, which
    // 4:2:0 cannot split, 24-bit pixels, or a picture other than planar
    // 8-bit YUV.
    int open(const VideoFormat& input, AVPixelFormat output, int scalerFlags);

    // Converts `sample` (checked by the caller to hold a whole frame) into
    // `picture`, a writable picture of the input's size. With `holdsLast`,
    // `picture` holds the conversion of the frame converted last, and only
    // the changed bands are redone. Returns the bands converted, or an
    // AVERROR code.
    int convert(const MediaSample& sample, AVFrame& picture, bool holdsLast);

private:
    struct Pass {
        ffmpeg::SwsContextPtr scaler;
        ffmpeg::FramePtr picture;  // the band with its margins
    };
    // Marks the rows that differ from the last frame's, and keeps them for
    // the next frame's comparison.
    void markChangedRows(const MediaSample& sample);
    // A row changed within the band or its margins.
    bool anyChanged(int top, int rows) const;
    int convertBand(const MediaSample& sample, AVFrame& picture, int top, int rows);
    Pass* passOf(int rows);

    VideoFormat input_;
    int rowBytes_ = 0;
    AVPixelFormat output_ = AV_PIX_FMT_NONE;
    int scalerFlags_ = 0;
    int chromaShift_ = 0;  // log2 of the rows a chroma row covers
    int chromaWidth_ = 0;
    std::map<int, Pass> passes_;  // by the rows converted at once
    SampleBytes last_;            // the rows of the frame converted last
    std::vector<bool> rowChanged_;
    bool hasLast_ = false;
};

}  // namespace platform
