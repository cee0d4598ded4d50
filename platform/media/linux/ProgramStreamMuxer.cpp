#include "platform/media/linux/ProgramStreamMuxer.h"

#include <algorithm>

#include "platform/core/Format.h"
#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

namespace {

constexpr AVRational kStreamTimeBase{1, 10'000'000};
constexpr AVRational kPackTimeBase{1, 90'000};
// Encoded packets are small; these only fill up when writing stalls.
constexpr std::size_t kVideoBudgetBytes = 64u << 20;
constexpr std::size_t kAudioBudgetBytes = 4u << 20;
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

ProgramStreamMuxer::ProgramStreamMuxer(DiagnosticLog& log, bool mpeg2, const std::optional<MediaType>& video,
                                       const std::optional<MediaType>& audio, Write write)
    : log_(log),
      mpeg2_(mpeg2),
      video_(video),
      audio_(audio),
      write_(std::move(write)),
      worker_({kVideoBudgetBytes, kAudioBudgetBytes}) {}

ProgramStreamMuxer::~ProgramStreamMuxer() { finish(); }

HRESULT ProgramStreamMuxer::open() {
    std::vector<ProgramStreamPacker::Stream> streams;
    std::int64_t bits = 0;
    if (video_) {
        const int rate = bitsPerSecond(*video_);
        const int buffer = std::max(mpeg2_ ? kMpeg2VideoBufferBytes : kMpeg1VideoBufferBytes,
                                    rate / 8 / kLeadsPerSecond + video_->encoded.bufferBits / 8);
        packerStream_[kVideo] = streams.size();
        streams.push_back({ProgramStreamPacker::kVideoId, buffer});
        present_[kVideo] = true;
        bits += rate;
    }
    if (audio_) {
        const int rate = bitsPerSecond(*audio_);
        packerStream_[kAudio] = streams.size();
        streams.push_back({ProgramStreamPacker::kAudioId, kAudioBufferBytes + rate / 8 / kLeadsPerSecond});
        present_[kAudio] = true;
        bits += rate;
    }
    // Read a little faster than the streams' rates, as the layout adds to them.
    bits += bits / 20 + kHeaderBitRate;
    packer_.emplace(mpeg2_, static_cast<int>(std::min<std::int64_t>(bits / 8, INT32_MAX)), std::move(streams));
    worker_.start([this](const SampleQueue::Item& item) { take(item); }, [this] { closeStream(); }, "MPEG writer");
    return S_OK;
}

bool ProgramStreamMuxer::push(Stream stream, SamplePtr sample) {
    return present_[stream] && worker_.push(stream, std::move(sample));
}

void ProgramStreamMuxer::finish() { worker_.stop(); }

void ProgramStreamMuxer::take(const SampleQueue::Item& item) {
    const MediaSample& sample = *item.sample;
    if (sample.data.empty()) return;
    waiting_[item.stream].push_back({item.sample, av_rescale_q(sample.pts_100ns, kStreamTimeBase, kPackTimeBase),
                                     av_rescale_q(sample.dts_100ns, kStreamTimeBase, kPackTimeBase)});
    writeInOrder(false);
}

// Units leave in decode order across the streams, once every stream has
// one waiting; so the streams are interleaved as they are decoded.
void ProgramStreamMuxer::writeInOrder(bool draining) {
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
        const std::deque<Unit>& units = waiting_[next];
        writeUnit(static_cast<std::size_t>(next), units.front());
        waiting_[next].pop_front();
    }
}

void ProgramStreamMuxer::writeUnit(std::size_t stream, const Unit& unit) {
    const std::int64_t dts_90k = std::max<std::int64_t>(0, unit.dts_90k + *offset_90k_);
    const std::int64_t pts_90k = std::max(dts_90k, unit.pts_90k + *offset_90k_);
    const MediaSample& sample = *unit.sample;
    bytes_.clear();
    // A key frame repeats the system header, where a reader may start.
    packer_->addUnit(packerStream_[stream], sample.data.data(), sample.data.size(), pts_90k, dts_90k,
                     stream == kVideo && sample.keyFrame, bytes_);
    write_(bytes_.data(), static_cast<int>(bytes_.size()));
}

void ProgramStreamMuxer::closeStream() {
    writeInOrder(true);
    bytes_.clear();
    packer_->end(bytes_);
    write_(bytes_.data(), static_cast<int>(bytes_.size()));
    if (worker_.dropped() > 0)
        log_.append(format("\r\nMPEG multiplexer: %lld packets dropped", static_cast<long long>(worker_.dropped())));
}

}  // namespace platform
