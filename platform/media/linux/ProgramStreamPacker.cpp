#include "platform/media/linux/ProgramStreamPacker.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::int64_t kClock_90k = 90'000;
constexpr std::int64_t kTimeMask = (std::int64_t{1} << 33) - 1;  // time stamps hold 33 bits

void put8(std::vector<std::uint8_t>& out, unsigned value) { out.push_back(static_cast<std::uint8_t>(value)); }

void put16(std::vector<std::uint8_t>& out, unsigned value) {
    put8(out, (value >> 8) & 0xFF);
    put8(out, value & 0xFF);
}

void put24(std::vector<std::uint8_t>& out, unsigned value) {
    put8(out, (value >> 16) & 0xFF);
    put16(out, value & 0xFFFF);
}

void putStartCode(std::vector<std::uint8_t>& out, unsigned code) {
    put24(out, 1);
    put8(out, code);
}

// A PTS or DTS: the 4-bit prefix, then 33 bits split by marker bits.
void putTime(std::vector<std::uint8_t>& out, unsigned prefix, std::int64_t time_90k) {
    const auto t = static_cast<std::uint64_t>(time_90k & kTimeMask);
    put8(out, (prefix << 4) | ((t >> 29) & 0x0E) | 1);
    put16(out, ((t >> 14) & 0xFFFE) | 1);
    put16(out, ((t << 1) & 0xFFFE) | 1);
}

// Video buffers are told in KiB, audio ones in 128-byte units.
bool kibScale(std::uint8_t id) { return id >= ProgramStreamPacker::kVideoId; }

unsigned bufferUnits(const ProgramStreamPacker::Stream& s) {
    const int unit = kibScale(s.id) ? 1024 : 128;
    return static_cast<unsigned>(std::clamp((s.bufferBytes + unit - 1) / unit, 1, 8191));
}

// '1' rate '1', as pack and system headers of both kinds carry it.
unsigned markedRate(int rate_50) { return 0x800001u | (static_cast<unsigned>(rate_50) << 1); }

}  // namespace

ProgramStreamPacker::ProgramStreamPacker(bool mpeg2, int muxRate_bytes, std::vector<Stream> streams)
    : mpeg2_(mpeg2),
      muxRate_50_(std::clamp((muxRate_bytes + 49) / 50, 1, (1 << 22) - 1)),
      streams_(std::move(streams)),
      started_(streams_.size(), false) {}

void ProgramStreamPacker::putPackHeader(std::int64_t scr_90k, std::vector<std::uint8_t>& out) const {
    const auto b = static_cast<std::uint64_t>(scr_90k & kTimeMask);
    putStartCode(out, 0xBA);
    if (mpeg2_) {
        // '01', the reference's 33 bits and a zero 27 MHz extension, each
        // part followed by a marker bit; the rate; no stuffing.
        put8(out, 0x44 | ((b >> 27) & 0x38) | ((b >> 28) & 0x03));
        put8(out, (b >> 20) & 0xFF);
        put8(out, ((b >> 12) & 0xF8) | 0x04 | ((b >> 13) & 0x03));
        put8(out, (b >> 5) & 0xFF);
        put8(out, ((b << 3) & 0xF8) | 0x04);
        put8(out, 0x01);
        put24(out, (static_cast<unsigned>(muxRate_50_) << 2) | 0x03);
        put8(out, 0xF8);
    } else {
        putTime(out, 0x2, scr_90k);
        put24(out, markedRate(muxRate_50_));
    }
}

void ProgramStreamPacker::putSystemHeader(std::vector<std::uint8_t>& out) const {
    unsigned audio = 0, video = 0;
    for (const Stream& s : streams_) (kibScale(s.id) ? video : audio) += 1;
    putStartCode(out, 0xBB);
    put16(out, static_cast<unsigned>(systemHeaderBytes() - 6));
    put24(out, markedRate(muxRate_50_));
    put8(out, audio << 2);         // neither fixed rate nor constrained
    put8(out, 0x20 | video);       // no locked clocks, marker
    put8(out, mpeg2_ ? 0x7F : 0xFF);  // no packet rate restriction; reserved bits
    for (const Stream& s : streams_) {
        const unsigned units = bufferUnits(s);
        put8(out, s.id);
        put16(out, 0xC000 | (kibScale(s.id) ? 0x2000 : 0) | units);
    }
}

void ProgramStreamPacker::addUnit(std::size_t stream, const std::uint8_t* data, std::size_t size,
                                  std::int64_t pts_90k, std::int64_t dts_90k, bool systemHeader,
                                  std::vector<std::uint8_t>& out) {
    const Stream& s = streams_[stream];
    const bool withDts = dts_90k != pts_90k;
    std::size_t offset = 0;
    for (bool firstPiece = true; offset < size; firstPiece = false) {
        const bool withSystemHeader = first_ || (systemHeader && firstPiece);
        const bool tellBuffer = !started_[stream];
        const int stamps = firstPiece ? (withDts ? 10 : 5) : 0;
        const int pesHeader = mpeg2_ ? 9 + stamps + (tellBuffer ? 3 : 0)
                                     : 6 + (tellBuffer ? 2 : 0) + (firstPiece ? stamps : 1);
        const int headers = packHeaderBytes() + (withSystemHeader ? systemHeaderBytes() : 0) + pesHeader;
        const std::size_t payload = std::min<std::size_t>(kMaxPackBytes - headers, size - offset);

        // A pack goes out no sooner than the mux rate allows, and no sooner
        // than kLead_90k before its unit is decoded, which bounds what the
        // decoder holds.
        const std::int64_t scr_90k = std::max(nextScr_90k_, dts_90k - kLead_90k);
        putPackHeader(scr_90k, out);
        if (withSystemHeader) putSystemHeader(out);

        putStartCode(out, s.id);
        put16(out, static_cast<unsigned>(pesHeader - 6 + static_cast<int>(payload)));
        const unsigned buffer = (kibScale(s.id) ? 0x6000u : 0x4000u) | bufferUnits(s);
        if (mpeg2_) {
            put8(out, firstPiece ? 0x84 : 0x80);  // '10', the unit starts here
            put8(out, (firstPiece ? (withDts ? 0xC0 : 0x80) : 0) | (tellBuffer ? 0x01 : 0));
            put8(out, static_cast<unsigned>(pesHeader - 9));
            if (firstPiece) putTime(out, withDts ? 0x3 : 0x2, pts_90k);
            if (firstPiece && withDts) putTime(out, 0x1, dts_90k);
            if (tellBuffer) {
                put8(out, 0x10);  // only the decoder buffer's size follows
                put16(out, buffer);
            }
        } else {
            if (tellBuffer) put16(out, buffer);
            if (firstPiece) {
                putTime(out, withDts ? 0x3 : 0x2, pts_90k);
                if (withDts) putTime(out, 0x1, dts_90k);
            } else {
                put8(out, 0x0F);  // no time stamps
            }
        }
        out.insert(out.end(), data + offset, data + offset + payload);
        offset += payload;

        const std::int64_t packBytes = headers + static_cast<std::int64_t>(payload);
        const std::int64_t rate = std::int64_t{muxRate_50_} * 50;
        nextScr_90k_ = scr_90k + (packBytes * kClock_90k + rate - 1) / rate;
        started_[stream] = true;
        first_ = false;
    }
}

void ProgramStreamPacker::end(std::vector<std::uint8_t>& out) const { putStartCode(out, 0xB9); }

}  // namespace platform
