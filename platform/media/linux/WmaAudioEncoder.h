#pragma once

#include <cstdint>

#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// Windows Media Audio 2 from interleaved 16-bit PCM: resampled to the
// profile's rate and channels, cut into frames of exactly the encoder's
// frame size, time-stamped by counting samples. Opened before the header is
// written, then muxer thread only.
class WmaAudioEncoder {
public:
    WmaAudioEncoder(const WmAudioStream& profile, const AudioFormat& input);

    // AVERROR code on failure.
    int open(AVFormatContext& format);
    int encode(const MediaSample& sample);
    // Encodes what is left (the last frame padded when the encoder needs
    // whole frames) and drains the encoder.
    int flush();

    // Silence put in where the input had a hole (samples dropped upstream).
    std::int64_t insertedSilence_100ns() const { return insertedSilence_100ns_; }

private:
    int convert(const std::uint8_t* input, int inputSamples);
    int addSilence(int samples);
    int ensureBuffer(int samples);
    int encodeFrames(bool flushing);

    WmAudioStream profile_;
    AudioFormat input_;
    StreamEncoder stream_;
    ffmpeg::SwrContextPtr resampler_;
    ffmpeg::AudioFifoPtr fifo_;
    ffmpeg::FramePtr frame_;   // one encoder frame
    ffmpeg::FramePtr buffer_;  // resampler output
    int frameSize_ = 0;
    bool started_ = false;
    std::int64_t nextPts_ = 0;          // in samples of the profile's rate
    std::int64_t inputOrigin_100ns_ = 0;
    std::int64_t inputSamples_ = 0;     // taken since the origin
    std::int64_t insertedSilence_100ns_ = 0;
};

}  // namespace platform
