#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/HResult.h"
#include "platform/media/MediaType.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/SampleWorker.h"

namespace platform {

// One MPEG program stream being made from encoded video and audio: packets
// are queued for one muxer thread, which interleaves them into packs and
// hands the bytes on through `write`; it is the only one to touch the
// container while it runs. Created, opened and finished on the UI thread.
class ProgramStreamMuxer {
public:
    enum Stream : std::size_t { kVideo = 0, kAudio = 1 };
    // Takes the next bytes of the stream, in order.
    using Write = std::function<void(const std::uint8_t* data, int size)>;

    // `video` and `audio` are Encoded types (either may be absent); an
    // MPEG-2 program stream, else an MPEG-1 system stream.
    ProgramStreamMuxer(DiagnosticLog& log, bool mpeg2, const std::optional<MediaType>& video,
                       const std::optional<MediaType>& audio, Write write);
    // Finishes the stream.
    ~ProgramStreamMuxer();
    ProgramStreamMuxer(const ProgramStreamMuxer&) = delete;
    ProgramStreamMuxer& operator=(const ProgramStreamMuxer&) = delete;

    // Sets up the container and starts the muxer thread.
    HRESULT open();
    // Encoder threads; never blocks. False when the packet was dropped.
    bool push(Stream stream, SamplePtr sample);
    // Writes what waits and ends the stream, also after an error, so that
    // what was written plays. Once.
    void finish();

    std::int64_t droppedSamples() const { return worker_.dropped(); }

private:
    static int writeBytes(void* opaque, std::uint8_t* data, int size);
    HRESULT report(const char* what, int error);
    int addStream(const MediaType& type);
    void writePacket(const SampleQueue::Item& item);
    void closeStream();

    DiagnosticLog& log_;
    bool mpeg2_;
    std::optional<MediaType> video_;
    std::optional<MediaType> audio_;
    Write write_;
    ffmpeg::OutputFormatPtr format_;
    ffmpeg::IoContextPtr io_;
    int streamIndex_[2] = {-1, -1};  // -1: no such stream
    ffmpeg::PacketPtr packet_;  // muxer thread
    bool failed_ = false;       // muxer thread
    SampleWorker worker_;
};

}  // namespace platform
