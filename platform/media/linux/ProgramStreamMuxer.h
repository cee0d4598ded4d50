#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/HResult.h"
#include "platform/media/MediaType.h"
#include "platform/media/linux/ProgramStreamWriter.h"
#include "platform/media/linux/SampleWorker.h"

namespace platform {

// One MPEG program stream being made from encoded video and audio while
// recording: packets are queued for one muxer thread, which hands them to a
// ProgramStreamWriter; it is the only one to touch the writer while it runs.
// Created, opened and finished on the UI thread.
class ProgramStreamMuxer {
public:
    enum Stream : std::size_t { kVideo = ProgramStreamWriter::kVideo, kAudio = ProgramStreamWriter::kAudio };
    using Write = ProgramStreamWriter::Write;

    // `video` and `audio` are Encoded types (either may be absent); an
    // MPEG-2 program stream, else an MPEG-1 system stream.
    ProgramStreamMuxer(DiagnosticLog& log, bool mpeg2, const std::optional<MediaType>& video,
                       const std::optional<MediaType>& audio, Write write);
    // Finishes the stream.
    ~ProgramStreamMuxer();
    ProgramStreamMuxer(const ProgramStreamMuxer&) = delete;
    ProgramStreamMuxer& operator=(const ProgramStreamMuxer&) = delete;

    // Starts the muxer thread.
    HRESULT open();
    // Encoder threads; never blocks. False when the packet was dropped.
    bool push(Stream stream, SamplePtr sample);
    // Writes what waits and ends the stream, so that what was written
    // plays. Once.
    void finish();

    std::int64_t droppedSamples() const { return worker_.dropped(); }

private:
    void closeStream();

    DiagnosticLog& log_;
    ProgramStreamWriter writer_;  // muxer thread, once started
    SampleWorker worker_;
};

}  // namespace platform
