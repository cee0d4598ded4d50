#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/HResult.h"
#include "platform/media/MediaType.h"
#include "platform/media/linux/ProgramStreamPacker.h"
#include "platform/media/linux/SampleWorker.h"

namespace platform {

// One MPEG program stream being made from encoded video and audio: packets
// are queued for one muxer thread, which puts them in decode order and lays
// them out in packs (ProgramStreamPacker) and hands the bytes on through
// `write`; it is the only one to touch the layout while it runs. Created,
// opened and finished on the UI thread.
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

    // Sets up the layout and starts the muxer thread.
    HRESULT open();
    // Encoder threads; never blocks. False when the packet was dropped.
    bool push(Stream stream, SamplePtr sample);
    // Writes what waits and ends the stream, so that what was written
    // plays. Once.
    void finish();

    std::int64_t droppedSamples() const { return worker_.dropped(); }

private:
    // A packet waiting for its turn, times in 90 kHz ticks.
    struct Unit {
        SamplePtr sample;
        std::int64_t pts_90k = 0;
        std::int64_t dts_90k = 0;
    };

    void take(const SampleQueue::Item& item);
    void writeInOrder(bool draining);
    void writeUnit(std::size_t stream, const Unit& unit);
    void closeStream();

    DiagnosticLog& log_;
    bool mpeg2_;
    std::optional<MediaType> video_;
    std::optional<MediaType> audio_;
    Write write_;
    bool present_[2] = {false, false};
    std::optional<ProgramStreamPacker> packer_;
    std::size_t packerStream_[2] = {0, 0};  // the packer's index of each stream
    // Muxer thread:
    std::deque<Unit> waiting_[2];
    std::optional<std::int64_t> offset_90k_;  // moves the first unit to the start delay
    std::vector<std::uint8_t> bytes_;
    SampleWorker worker_;
};

}  // namespace platform
