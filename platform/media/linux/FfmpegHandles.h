#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// Owners of FFmpeg's handles, each freed by its library's own function.
namespace platform::ffmpeg {

struct OutputFormatFree {
    void operator()(AVFormatContext* format) const {
        if (format->pb != nullptr && (format->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
struct CodecContextFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsFree {
    void operator()(SwsContext* sws) const { sws_freeContext(sws); }
};
struct SwrFree {
    void operator()(SwrContext* swr) const { swr_free(&swr); }
};
struct AudioFifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

// An output container; closes its file too.
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;

// The library's text for an AVERROR code (av_err2str is C only).
inline std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

}  // namespace platform::ffmpeg
