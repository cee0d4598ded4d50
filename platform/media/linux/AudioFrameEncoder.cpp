#include "platform/media/linux/AudioFrameEncoder.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
// A sample that starts this much later than the samples before it end left a
// hole (a sample dropped on the way): fill it with silence so that the sound
// stays in step with the picture. Smaller jitter is left alone.
constexpr std::int64_t kHoleThreshold_100ns = 2'000'000;
// Frame size of an encoder that takes any (none of ours does).
constexpr int kFallbackFrameSize = 1024;

}  // namespace

AudioFrameEncoder::AudioFrameEncoder(const AudioFormat& input) : input_(input) {}

int AudioFrameEncoder::open(ffmpeg::CodecContextPtr codec, const StreamEncoder::Target& target) {
    sampleRate_ = codec->sample_rate;
    channels_ = codec->ch_layout.nb_channels;
    codec->time_base = {1, sampleRate_};

    AVChannelLayout inputLayout{};
    av_channel_layout_default(&inputLayout, input_.channels);
    SwrContext* resampler = nullptr;
    int error = swr_alloc_set_opts2(&resampler, &codec->ch_layout, codec->sample_fmt, sampleRate_, &inputLayout,
                                    AV_SAMPLE_FMT_S16, input_.sampleRate, 0, nullptr);
    resampler_.reset(resampler);
    if (error < 0) return error;
    if (error = swr_init(resampler_.get()); error < 0) return error;

    const AVSampleFormat sampleFormat = codec->sample_fmt;
    if (error = stream_.open(std::move(codec), target); error < 0) return error;
    frameSize_ = stream_.codec().frame_size > 0 ? stream_.codec().frame_size : kFallbackFrameSize;

    fifo_.reset(av_audio_fifo_alloc(sampleFormat, channels_, frameSize_));
    frame_.reset(av_frame_alloc());
    if (!fifo_ || !frame_) return AVERROR(ENOMEM);
    frame_->format = sampleFormat;
    frame_->nb_samples = frameSize_;
    frame_->sample_rate = sampleRate_;
    if (error = av_channel_layout_copy(&frame_->ch_layout, &stream_.codec().ch_layout); error < 0) return error;
    return av_frame_get_buffer(frame_.get(), 0);
}

int AudioFrameEncoder::encode(const MediaSample& sample) {
    const int inputSamples = static_cast<int>(sample.data.size() / input_.bytesPerFrame());
    if (inputSamples == 0) return 0;
    if (!started_) {
        started_ = true;
        inputOrigin_100ns_ = sample.pts_100ns;
        nextPts_ = std::max<std::int64_t>(0, av_rescale(sample.pts_100ns, sampleRate_, kUnitsPerSecond));
    }
    const std::int64_t expected_100ns = inputOrigin_100ns_ + insertedSilence_100ns_ +
                                        av_rescale(inputSamples_, kUnitsPerSecond, input_.sampleRate);
    if (const std::int64_t hole = sample.pts_100ns - expected_100ns; hole > kHoleThreshold_100ns) {
        if (int error = addSilence(static_cast<int>(av_rescale(hole, sampleRate_, kUnitsPerSecond)));
            error < 0)
            return error;
        insertedSilence_100ns_ += hole;
    }
    inputSamples_ += inputSamples;
    if (int error = convert(sample.data.data(), inputSamples); error < 0) return error;
    return encodeFrames(false);
}

int AudioFrameEncoder::flush() {
    if (!stream_.isOpen()) return 0;
    // What the resampler still holds, then the last part frame.
    if (int error = convert(nullptr, 0); error < 0) return error;
    if (int error = encodeFrames(true); error < 0) return error;
    return stream_.encode(nullptr);
}

int AudioFrameEncoder::convert(const std::uint8_t* input, int inputSamples) {
    const int room = swr_get_out_samples(resampler_.get(), inputSamples);
    if (room < 0) return room;
    if (room == 0) return 0;
    if (int error = ensureBuffer(room); error < 0) return error;
    const std::uint8_t* planes[1] = {input};
    const int converted = swr_convert(resampler_.get(), buffer_->data, room, input != nullptr ? planes : nullptr,
                                      inputSamples);
    if (converted <= 0) return converted;
    const int written = av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(buffer_->data), converted);
    return written < 0 ? written : 0;
}

int AudioFrameEncoder::addSilence(int samples) {
    while (samples > 0) {
        const int chunk = std::min(samples, frameSize_);
        if (int error = ensureBuffer(chunk); error < 0) return error;
        av_samples_set_silence(buffer_->data, 0, chunk, channels_,
                               static_cast<AVSampleFormat>(buffer_->format));
        if (int error = av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(buffer_->data), chunk); error < 0)
            return error;
        // Encoded as it goes, so that a long hole never piles up.
        if (int error = encodeFrames(false); error < 0) return error;
        samples -= chunk;
    }
    return 0;
}

int AudioFrameEncoder::ensureBuffer(int samples) {
    if (buffer_ && buffer_->nb_samples >= samples) return 0;
    ffmpeg::FramePtr buffer(av_frame_alloc());
    if (!buffer) return AVERROR(ENOMEM);
    buffer->format = frame_->format;
    buffer->nb_samples = std::max(samples, frameSize_);
    if (int error = av_channel_layout_copy(&buffer->ch_layout, &frame_->ch_layout); error < 0) return error;
    if (int error = av_frame_get_buffer(buffer.get(), 0); error < 0) return error;
    buffer_ = std::move(buffer);
    return 0;
}

int AudioFrameEncoder::encodeFrames(bool flushing) {
    const bool takesShortFrame = (stream_.codec().codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    while (av_audio_fifo_size(fifo_.get()) >= frameSize_ || (flushing && av_audio_fifo_size(fifo_.get()) > 0)) {
        const int available = std::min(av_audio_fifo_size(fifo_.get()), frameSize_);
        if (int error = av_frame_make_writable(frame_.get()); error < 0) return error;
        const int read = av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), available);
        if (read < 0) return read;
        frame_->nb_samples = frameSize_;
        if (read < frameSize_) {
            if (takesShortFrame) frame_->nb_samples = read;
            else
                av_samples_set_silence(frame_->data, read, frameSize_ - read, channels_,
                                       static_cast<AVSampleFormat>(frame_->format));
        }
        frame_->pts = nextPts_;
        nextPts_ += frame_->nb_samples;
        ++encoded_;
        if (int error = stream_.encode(frame_.get()); error < 0) return error;
    }
    return 0;
}

}  // namespace platform
