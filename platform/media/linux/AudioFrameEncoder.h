#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/FrameEncoder.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// Encodes interleaved 16-bit PCM: resampled to the codec's rate, channels
// and sample format, cut into frames of exactly the encoder's frame size,
// time-stamped by counting samples. Opened before a container's header is
// written, then used by one thread only.
class AudioFrameEncoder : public FrameEncoder {
public:
    explicit AudioFrameEncoder(const AudioFormat& input);

    // `codec` is configured (sample format, layout, rate, bit rate) but for
    // its time base, which is set here. AVERROR code on failure.
    int open(ffmpeg::CodecContextPtr codec, const StreamEncoder::Target& target);
    int encode(const MediaSample& sample) override;
    // Encodes what is left (the last frame padded when the encoder needs
    // whole frames) and drains the encoder.
    int flush() override;
    std::int64_t encodedFrames() const override { return encoded_; }

    // Silence put in where the input had a hole (samples dropped upstream).
    std::int64_t insertedSilence_100ns() const { return insertedSilence_100ns_; }

private:
    int convert(const std::uint8_t* input, int inputSamples);
    int addSilence(int samples);
    int ensureBuffer(int samples);
    int encodeFrames(bool flushing);

    AudioFormat input_;
    int sampleRate_ = 0;  // of the codec
    int channels_ = 0;
    StreamEncoder stream_;
    ffmpeg::SwrContextPtr resampler_;
    ffmpeg::AudioFifoPtr fifo_;
    ffmpeg::FramePtr frame_;   // one encoder frame
    ffmpeg::FramePtr buffer_;  // resampler output
    int frameSize_ = 0;
    bool started_ = false;
    std::int64_t nextPts_ = 0;          // in samples of the codec's rate
    std::int64_t inputOrigin_100ns_ = 0;
    std::int64_t inputSamples_ = 0;     // taken since the origin
    std::int64_t insertedSilence_100ns_ = 0;
    std::int64_t encoded_ = 0;
};

}  // namespace platform
