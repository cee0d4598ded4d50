#pragma once

#include <memory>
#include <string>

#include "platform/core/HResult.h"
#include "platform/core/SystemError.h"

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
// An I/O context of our own (avio_alloc_context) and its buffer. A container
// that writes through it must let go of it (pb = null) before it is freed.
struct IoContextFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
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
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;

// The library's text for an AVERROR code (av_err2str is C only).
inline std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// The result code for an AVERROR code: AVERROR(e) wraps a system error;
// FFmpeg's own codes are large tags.
inline HRESULT toHresult(int error) { return error < 0 && error > -4096 ? hresultFromErrno(-error) : E_FAIL; }

}  // namespace platform::ffmpeg
