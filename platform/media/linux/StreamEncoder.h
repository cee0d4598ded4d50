#pragma once

#include <functional>
#include <variant>

#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

// One encoder and where its packets go. Opened before a container's header
// is written; afterwards used by one thread only.
class StreamEncoder {
public:
    // Takes each packet, its times in the codec's time base; may take its
    // data. AVERROR code on failure.
    using PacketHandler = std::function<int(AVPacket& packet, AVRational timeBase)>;
    // A new stream of this container, or a handler.
    using Target = std::variant<AVFormatContext*, PacketHandler>;

    // A context of the codec's encoder, to configure and then open. AVERROR
    // code on failure.
    static int allocateContext(AVCodecID codecId, ffmpeg::CodecContextPtr& context);

    // Opens the configured codec; with a container, adds its stream to it.
    // AVERROR code on failure.
    int open(ffmpeg::CodecContextPtr codec, const Target& target);

    // Encodes one frame, or drains the encoder when `frame` is null, and
    // passes on every packet it gives. AVERROR code on failure.
    int encode(const AVFrame* frame);

    AVCodecContext& codec() const { return *codec_; }
    bool isOpen() const { return handler_ != nullptr; }

private:
    int addStream(AVFormatContext& format);

    ffmpeg::CodecContextPtr codec_;
    ffmpeg::PacketPtr packet_;
    PacketHandler handler_;
    bool drained_ = false;
};

}  // namespace platform
