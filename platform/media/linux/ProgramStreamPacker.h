#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Lays out an MPEG-2 program stream or an MPEG-1 system stream, one access
// unit (a picture, an audio frame) at a time: every unit opens a PES packet
// of its own that carries its own time stamps, so a player places each
// picture on its time even when pictures are tiny (a still screen) and many
// would share a pack otherwise. A unit larger than a pack goes on in further
// packets without time stamps. Each pack holds one packet, at most
// kMaxPackBytes long. Used by one thread.
class ProgramStreamPacker {
public:
    static constexpr int kMaxPackBytes = 2048;
    static constexpr std::uint8_t kVideoId = 0xE0;
    static constexpr std::uint8_t kAudioId = 0xC0;

    struct Stream {
        std::uint8_t id = kVideoId;
        int bufferBytes = 0;  // the decoder's buffer for it, told in the headers
    };

    // `muxRate_bytes` is the rate the stream is read at, which spaces the
    // packs' clock references.
    ProgramStreamPacker(bool mpeg2, int muxRate_bytes, std::vector<Stream> streams);

    // Appends the packs of one unit of `stream` to `out`; times in 90 kHz
    // ticks, already on the file's clock (not negative). `systemHeader`
    // repeats the system header in front of it (at a key frame).
    void addUnit(std::size_t stream, const std::uint8_t* data, std::size_t size, std::int64_t pts_90k,
                 std::int64_t dts_90k, bool systemHeader, std::vector<std::uint8_t>& out);
    // Appends the end code.
    void end(std::vector<std::uint8_t>& out) const;

    // How long a unit may arrive before it is decoded.
    static constexpr std::int64_t kLead_90k = 45'000;

private:
    void putPackHeader(std::int64_t scr_90k, std::vector<std::uint8_t>& out) const;
    void putSystemHeader(std::vector<std::uint8_t>& out) const;
    int packHeaderBytes() const { return mpeg2_ ? 14 : 12; }
    int systemHeaderBytes() const { return 12 + 3 * static_cast<int>(streams_.size()); }

    bool mpeg2_;
    int muxRate_50_;  // in units of 50 bytes per second
    std::vector<Stream> streams_;
    std::vector<bool> started_;  // the stream's first packet tells its buffer size
    bool first_ = true;
    std::int64_t nextScr_90k_ = 0;  // when the next pack may start arriving, at the mux rate
};

}  // namespace platform
