#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/media/MediaType.h"
#include "platform/media/linux/ProgramStreamPacker.h"

namespace platform {

// Makes an MPEG program stream of encoded video and audio packets: puts them
// in decode order across the streams, moves the first to the start delay and
// lays them out in packs (ProgramStreamPacker), handing the bytes on through
// `write`. Used by one thread at a time.
class ProgramStreamWriter {
public:
    enum Stream : std::size_t { kVideo = 0, kAudio = 1 };
    // Takes the next bytes of the stream, in order.
    using Write = std::function<void(const std::uint8_t* data, int size)>;

    // `video` and `audio` are Encoded types (either may be absent); an
    // MPEG-2 program stream, else an MPEG-1 system stream.
    ProgramStreamWriter(bool mpeg2, const std::optional<MediaType>& video, const std::optional<MediaType>& audio,
                        Write write);

    bool has(Stream stream) const { return present_[stream]; }
    // The next packet of `stream`, times on the stream clock.
    void add(Stream stream, SamplePtr sample);
    // Writes what waits and the end code. Once.
    void end();

private:
    // A packet waiting for its turn, times in 90 kHz ticks.
    struct Unit {
        SamplePtr sample;
        std::int64_t pts_90k = 0;
        std::int64_t dts_90k = 0;
    };

    void writeInOrder(bool draining);
    void writeUnit(Stream stream, const Unit& unit);

    Write write_;
    bool present_[2] = {false, false};
    std::optional<ProgramStreamPacker> packer_;
    std::size_t packerStream_[2] = {0, 0};  // the packer's index of each stream
    std::deque<Unit> waiting_[2];
    std::optional<std::int64_t> offset_90k_;  // moves the first unit to the start delay
    std::vector<std::uint8_t> bytes_;
};

}  // namespace platform
