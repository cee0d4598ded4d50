#include "platform/media/linux/Mpeg2VideoEncoderFilter.h"

#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
}

#include "platform/media/MediaErrors.h"
#include "platform/media/linux/VideoFrameEncoder.h"

namespace platform {

namespace {

using P = Mpeg2Parameter;

// Raw frames may wait for the encoder up to this much: a second of full-HD
// picture at 15 fps.
constexpr std::size_t kQueueBudgetBytes = 128u << 20;
constexpr int kMaxSide = 4096;
constexpr int kMaxFramesPerSecond = 60;
// Scene-change detection off: FFmpeg's threshold that no change reaches.
constexpr std::int64_t kNoSceneCuts = 1'000'000'000;

// 4:2:0 and 4:2:2 want an even width; 4:2:0 an even height too.
int evenSide(int side) { return std::max(2, side & ~1); }

// MPEG-2 codes only some frame rates: the lowest at or above the capture's
// is taken, on which each captured frame keeps its time and is held until
// the next. Whole rates (the table's, and the extension's fractions of them
// that are whole) and the table's NTSC rates; other NTSC fractions give
// decode times that players misread. A picture must also fit the decoder's
// buffer with a frame time's worth of the bit rate, which rules out the
// lowest rates at high bit rates.
bool plainRate(AVRational r) {
    return r.den == 1 || (r.den == 1001 && (r.num == 24000 || r.num == 30000 || r.num == 60000));
}

AVRational codedFrameRate(const AVCodec& codec, int framesPerSecond, int bitRate, int bufferBits) {
    AVRational lowest{framesPerSecond, 1};
    if (bufferBits > 0 && av_cmp_q(AVRational{bitRate, bufferBits}, lowest) > 0) lowest = {bitRate, bufferBits};
    AVRational best{0, 1};
    for (const AVRational* r = codec.supported_framerates; r != nullptr && r->num != 0; ++r)
        if (plainRate(*r) && av_cmp_q(*r, lowest) >= 0 && (best.num == 0 || av_cmp_q(*r, best) < 0)) best = *r;
    return best.num != 0 ? best : AVRational{framesPerSecond, 1};
}

}  // namespace

Mpeg2VideoEncoderFilter::Mpeg2VideoEncoderFilter(std::string classId, DiagnosticLog& log)
    : EncoderFilter(std::move(classId), Mpeg2Module::VideoEncoder, {"Input", "Output"}, kQueueBudgetBytes, log,
                    "MPEG-2 video encoder") {}

Mpeg2VideoEncoderFilter::Rates Mpeg2VideoEncoderFilter::rates() const {
    Rates r;
    r.average = static_cast<int>(committed(P::VideoBitRate));
    // A constant rate holds the average throughout; a variable one may
    // climb to a maximum, which never lies below the average.
    r.maximum = committed(P::VideoRateMode) == 1
                    ? r.average
                    : static_cast<int>(std::max<std::int64_t>(committed(P::VideoMaxBitRate), r.average));
    r.minimum = committed(P::VideoRateMode) == 1 ? r.average : 0;
    r.bufferBits = static_cast<int>(committed(P::VideoBufferBits));
    return r;
}

HRESULT Mpeg2VideoEncoderFilter::acceptInput(const MediaType& type) const {
    const VideoFormat& v = type.video;
    const bool ok = type.major == MajorType::Video && (v.bitsPerPixel == 24 || v.bitsPerPixel == 32) &&
                    v.width >= 2 && v.height >= 2 && v.width <= kMaxSide && v.height <= kMaxSide &&
                    v.framesPerSecond >= 1 && v.framesPerSecond <= kMaxFramesPerSecond;
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

MediaType Mpeg2VideoEncoderFilter::encodedType(const MediaType& input) const {
    const Rates r = rates();
    const VideoFormat v{evenSide(input.video.width), evenSide(input.video.height), 0, input.video.framesPerSecond};
    return MediaType::ofEncodedVideo({Codec::Mpeg2Video, r.average, r.maximum, r.bufferBits}, v);
}

std::unique_ptr<FrameEncoder> Mpeg2VideoEncoderFilter::openEncoder(const MediaType& input,
                                                                   const StreamEncoder::Target& target,
                                                                   int& error) const {
    ffmpeg::CodecContextPtr context;
    if (error = StreamEncoder::allocateContext(AV_CODEC_ID_MPEG2VIDEO, context); error < 0) return nullptr;
    const MediaType encoded = encodedType(input);
    const Rates r = rates();
    context->width = encoded.video.width;
    context->height = encoded.video.height;
    context->sample_aspect_ratio = {1, 1};  // screen pixels are square
    context->pix_fmt = committed(P::VideoChroma422) == 1 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    context->bit_rate = r.average;
    context->rc_min_rate = r.minimum;
    context->rc_max_rate = r.maximum;
    context->rc_buffer_size = r.bufferBits;

    const int distance = static_cast<int>(committed(P::VideoAnchorDistance));
    context->max_b_frames = distance - 1;
    context->gop_size = static_cast<int>(committed(P::VideoGopAnchors)) * distance;
    const bool closedGop = committed(P::VideoClosedGop) == 1;
    if (closedGop) context->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    if (committed(P::VideoProgressive) == 0) context->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    context->intra_dc_precision = static_cast<int>(committed(P::VideoDcPrecision));
    // A scene cut would open a GOP on pictures of the one before, so closed
    // GOPs keep their length.
    const bool sceneCuts = committed(P::VideoSceneCuts) == 1 && !closedGop;
    if (error = av_opt_set_int(context->priv_data, "sc_threshold", sceneCuts ? 0 : kNoSceneCuts, 0); error < 0)
        return nullptr;

    const AVRational rate = codedFrameRate(*context->codec, input.video.framesPerSecond, r.average, r.bufferBits);
    auto encoder = std::make_unique<VideoFrameEncoder>(input.video, rate, true);
    if (error = encoder->open(std::move(context), target); error < 0) return nullptr;
    return encoder;
}

}  // namespace platform
