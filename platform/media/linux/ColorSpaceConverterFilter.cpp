#include "platform/media/linux/ColorSpaceConverterFilter.h"

#include <cstdint>

#include "platform/media/MediaErrors.h"

namespace platform {

ColorSpaceConverterFilter::ColorSpaceConverterFilter(std::string classId)
    : Filter(std::move(classId)),
      input_(addPin("Input", PinDirection::Input)),
      output_(addPin("Output", PinDirection::Output)) {}

MediaType ColorSpaceConverterFilter::offeredType(const Pin&) const {
    if (!input_.isConnected()) return {};
    VideoFormat v = input_.mediaType().video;
    v.bitsPerPixel = 32;
    return MediaType::ofVideo(v);
}

HRESULT ColorSpaceConverterFilter::acceptType(Pin&, const MediaType& type) {
    const VideoFormat& v = type.video;
    const bool ok = type.major == MajorType::Video && v.width > 0 && v.height > 0 &&
                    (v.bitsPerPixel == 24 || v.bitsPerPixel == 32);
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void ColorSpaceConverterFilter::receive(Pin&, const SamplePtr& sample) {
    const VideoFormat& v = input_.mediaType().video;
    if (v.bitsPerPixel == 32) {
        output_.deliver(sample);
        return;
    }
    const int stride = sample->stride > 0 ? sample->stride : v.width * 3;
    if (sample->data.size() < static_cast<std::size_t>(stride) * (v.height - 1) + v.width * 3) return;
    auto out = std::make_shared<MediaSample>();
    out->pts_100ns = sample->pts_100ns;
    out->duration_100ns = sample->duration_100ns;
    out->stride = v.width * 4;
    out->data.resize(static_cast<std::size_t>(out->stride) * v.height);
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* src = sample->data.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* dst = out->data.data() + static_cast<std::size_t>(y) * out->stride;
        for (int x = 0; x < v.width; ++x, src += 3, dst += 4) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = 0xFF;
        }
    }
    output_.deliver(out);
}

void ColorSpaceConverterFilter::endOfStream(Pin&) { output_.deliverEndOfStream(); }

}  // namespace platform
