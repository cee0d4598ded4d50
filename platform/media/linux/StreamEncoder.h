#pragma once

#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

// One encoder and the container stream it feeds. Opened before the
// container's header is written; afterwards used by the muxer thread only.
class StreamEncoder {
public:
    // Opens the configured codec and adds its stream to `format`. AVERROR code
    // on failure.
    int open(AVFormatContext& format, ffmpeg::CodecContextPtr codec);

    // Encodes one frame, or drains the encoder when `frame` is null, and
    // writes every packet it gives. AVERROR code on failure.
    int encode(const AVFrame* frame);

    AVCodecContext& codec() const { return *codec_; }
    bool isOpen() const { return stream_ != nullptr; }

private:
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    ffmpeg::CodecContextPtr codec_;
    ffmpeg::PacketPtr packet_;
    bool drained_ = false;
};

}  // namespace platform
