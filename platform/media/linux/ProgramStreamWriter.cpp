#include "platform/media/linux/ProgramStreamWriter.h"

#include <algorithm>
#include <climits>

#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

namespace {

constexpr AVRational kStreamTimeBase{1, 10'000'000};
constexpr AVRational kPackTimeBase{1, 90'000};
// The first unit is decoded this long after the stream starts arriving, so
// the decoder has its lead in hand.
constexpr std::int64_t kStartDelay_90k = ProgramStreamPacker::kLead_90k;
// A stream that stays silent holds the other back no longer than this; the
// first picture, which opens the stream, is waited for longer.
constexpr std::int64_t kMaxInterleave_90k = 90'000;
constexpr std::int64_t kFirstPictureWait_90k = 900'000;
// Decoder buffers told in the headers: what players have long been given,
// or what the lead and the encoder's buffer take at the stream's rate.
constexpr int kMpeg2VideoBufferBytes = 230 * 1024;
constexpr int kMpeg1VideoBufferBytes = 46 * 1024;
constexpr int kAudioBufferBytes = 4 * 1024;
constexpr int kLeadsPerSecond = 90'000 / static_cast<int>(ProgramStreamPacker::kLead_90k);
// Headers of every pack: room for about 100 units a second.
constexpr int kHeaderBitRate = 40'000;

int bitsPerSecond(const MediaType& type) { return std::max(type.encoded.bitRate, type.encoded.maxBitRate); }

}  // namespace

ProgramStreamWriter::ProgramStreamWriter(bool mpeg2, const std::optional<MediaType>& video,
                                         const std::optional<MediaType>& audio, Write write)
    : write_(std::move(write)) {
    std::vector<ProgramStreamPacker::Stream> streams;
    std::int64_t bits = 0;
    if (video) {
        const int rate = bitsPerSecond(*video);
        const int buffer = std::max(mpeg2 ? kMpeg2VideoBufferBytes : kMpeg1VideoBufferBytes,
                                    rate / 8 / kLeadsPerSecond + video->encoded.bufferBits / 8);
        packerStream_[kVideo] = streams.size();
        streams.push_back({ProgramStreamPacker::kVideoId, buffer});
        present_[kVideo] = true;
        bits += rate;
    }
    if (audio) {
        const int rate = bitsPerSecond(*audio);
        packerStream_[kAudio] = streams.size();
        streams.push_back({ProgramStreamPacker::kAudioId, kAudioBufferBytes + rate / 8 / kLeadsPerSecond});
        present_[kAudio] = true;
        bits += rate;
    }
    // Read a little faster than the streams' rates, as the layout adds to them.
    bits += bits / 20 + kHeaderBitRate;
    packer_.emplace(mpeg2, static_cast<int>(std::min<std::int64_t>(bits / 8, INT_MAX)), std::move(streams));
}

void ProgramStreamWriter::add(Stream stream, SamplePtr sample) {
    if (!present_[stream] || sample->data.empty()) return;
    const std::int64_t pts_90k = av_rescale_q(sample->pts_100ns, kStreamTimeBase, kPackTimeBase);
    const std::int64_t dts_90k = av_rescale_q(sample->dts_100ns, kStreamTimeBase, kPackTimeBase);
    waiting_[stream].push_back({std::move(sample), pts_90k, dts_90k});
    writeInOrder(false);
}

// Units leave in decode order across the streams, once every stream has
// one waiting; so the streams are interleaved as they are decoded.
void ProgramStreamWriter::writeInOrder(bool draining) {
    for (;;) {
        int next = -1;
        bool everyStreamWaits = true;
        for (int s = 0; s < 2; ++s) {
            if (!present_[s]) continue;
            if (waiting_[s].empty()) {
                everyStreamWaits = false;
            } else if (next < 0 || waiting_[s].front().dts_90k < waiting_[next].front().dts_90k) {
                next = s;
            }
        }
        if (next < 0) return;
        const std::int64_t wait_90k = offset_90k_ ? kMaxInterleave_90k : kFirstPictureWait_90k;
        if (!everyStreamWaits && !draining && waiting_[next].back().dts_90k - waiting_[next].front().dts_90k < wait_90k)
            return;
        if (!offset_90k_) {
            offset_90k_ = kStartDelay_90k - waiting_[next].front().dts_90k;
            // The picture opens the stream, so readers list it first.
            if (present_[kVideo] && !waiting_[kVideo].empty()) next = kVideo;
        }
        writeUnit(static_cast<Stream>(next), waiting_[next].front());
        waiting_[next].pop_front();
    }
}

void ProgramStreamWriter::writeUnit(Stream stream, const Unit& unit) {
    const std::int64_t dts_90k = std::max<std::int64_t>(0, unit.dts_90k + *offset_90k_);
    const std::int64_t pts_90k = std::max(dts_90k, unit.pts_90k + *offset_90k_);
    const MediaSample& sample = *unit.sample;
    bytes_.clear();
    // A key frame repeats the system header, where a reader may start.
    packer_->addUnit(packerStream_[stream], sample.data.data(), sample.data.size(), pts_90k, dts_90k,
                     stream == kVideo && sample.keyFrame, bytes_);
    write_(bytes_.data(), static_cast<int>(bytes_.size()));
}

void ProgramStreamWriter::end() {
    writeInOrder(true);
    bytes_.clear();
    packer_->end(bytes_);
    write_(bytes_.data(), static_cast<int>(bytes_.size()));
}

}  // namespace platform
