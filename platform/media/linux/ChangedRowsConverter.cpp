#include "platform/media/linux/ChangedRowsConverter.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace platform {

int ChangedRowsConverter::open(const VideoFormat& input, AVPixelFormat output, int scalerFlags) {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(output);
    // Planes of one byte a sample: their rows are copied by width.
    const bool planarBytes = format != nullptr && (format->flags & AV_PIX_FMT_FLAG_PLANAR) != 0 &&
                             format->nb_components == 3 && format->comp[0].depth == 8 &&
                             format->comp[1].plane == 1 && format->comp[2].plane == 2;
    if (!planarBytes || input.width <= 0 || input.height <= 0 || input.height % 2 != 0 || input.bitsPerPixel != 32)
        return AVERROR(EINVAL);
    input_ = input;
    rowBytes_ = input.width * 4;
    output_ = output;
    scalerFlags_ = scalerFlags;
    chromaShift_ = format->log2_chroma_h;
    chromaWidth_ = AV_CEIL_RSHIFT(input.width, format->log2_chroma_w);
    passes_.clear();
    last_.resize(static_cast<std::size_t>(rowBytes_) * input.height);
    hasLast_ = false;
    return 0;
}

int ChangedRowsConverter::convert(const MediaSample& sample, AVFrame& picture, bool holdsLast) {
    if (last_.empty()) return AVERROR(EINVAL);
    const bool incremental = holdsLast && hasLast_;
    markChangedRows(sample);
    hasLast_ = true;
    int converted = 0;
    for (int top = 0; top < input_.height; top += kBandRows) {
        const int rows = std::min(kBandRows, input_.height - top);
        // A changed row reaches the rows the filter reads it for, beside it.
        if (incremental && !anyChanged(top, rows)) continue;
        if (int error = convertBand(sample, picture, top, rows); error < 0) return error;
        ++converted;
    }
    return converted;
}

void ChangedRowsConverter::markChangedRows(const MediaSample& sample) {
    const int stride = sample.stride > 0 ? sample.stride : rowBytes_;
    rowChanged_.assign(input_.height, !hasLast_);
    for (int y = 0; y < input_.height; ++y) {
        const std::uint8_t* row = sample.data.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* kept = last_.data() + static_cast<std::size_t>(y) * rowBytes_;
        if (!hasLast_ || std::memcmp(row, kept, rowBytes_) != 0) {
            std::memcpy(kept, row, rowBytes_);
            rowChanged_[y] = true;
        }
    }
}

bool ChangedRowsConverter::anyChanged(int top, int rows) const {
    const int from = std::max(0, top - kMarginRows);
    const int to = std::min(input_.height, top + rows + kMarginRows);
    return std::find(rowChanged_.begin() + from, rowChanged_.begin() + to, true) != rowChanged_.begin() + to;
}

int ChangedRowsConverter::convertBand(const MediaSample& sample, AVFrame& picture, int top, int rows) {
    const int above = std::min(kMarginRows, top);
    const int below = std::min(kMarginRows, input_.height - top - rows);
    Pass* pass = passOf(above + rows + below);
    if (pass == nullptr) return AVERROR(ENOMEM);
    const int stride = sample.stride > 0 ? sample.stride : rowBytes_;
    const std::uint8_t* source[4] = {sample.data.data() + static_cast<std::size_t>(top - above) * stride, nullptr,
                                     nullptr, nullptr};
    const int sourceStrides[4] = {stride, 0, 0, 0};
    AVFrame& band = *pass->picture;
    sws_scale(pass->scaler.get(), source, sourceStrides, 0, above + rows + below, band.data, band.linesize);
    // Only the band's own rows: those of the margins saw the edge of the cut.
    for (int plane = 0; plane < 4 && picture.data[plane] != nullptr; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int shift = chroma ? chromaShift_ : 0;
        const int width = chroma ? chromaWidth_ : input_.width;
        av_image_copy_plane(picture.data[plane] + static_cast<std::ptrdiff_t>(top >> shift) * picture.linesize[plane],
                            picture.linesize[plane],
                            band.data[plane] + static_cast<std::ptrdiff_t>(above >> shift) * band.linesize[plane],
                            band.linesize[plane], width, rows >> shift);
    }
    return 0;
}

ChangedRowsConverter::Pass* ChangedRowsConverter::passOf(int rows) {
    if (auto found = passes_.find(rows); found != passes_.end()) return &found->second;
    Pass pass;
    pass.scaler.reset(sws_getContext(input_.width, rows, AV_PIX_FMT_BGR0, input_.width, rows, output_, scalerFlags_,
                                     nullptr, nullptr, nullptr));
    pass.picture.reset(av_frame_alloc());
    if (!pass.scaler || !pass.picture) return nullptr;
    pass.picture->format = output_;
    pass.picture->width = input_.width;
    pass.picture->height = rows;
    if (av_frame_get_buffer(pass.picture.get(), 0) < 0) return nullptr;
    return &passes_.emplace(rows, std::move(pass)).first->second;
}

}  // namespace platform
