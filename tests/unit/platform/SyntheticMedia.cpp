#include "SyntheticMedia.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <numbers>

namespace platform::test {

SyntheticSource::SyntheticSource(MediaType type, int count, std::function<SamplePtr(int)> make)
    : Filter("{SYNTHETIC}"), type_(type), count_(count), make_(std::move(make)) {
    addPin("Out", PinDirection::Output);
}

SyntheticSource::~SyntheticSource() { join(); }

HRESULT SyntheticSource::changeState(FilterState from, FilterState to, StreamClock&) {
    if (from == FilterState::Stopped && to == FilterState::Running) {
        thread_ = std::thread([this] {
            for (int i = 0; i < count_ && !stop_; ++i) pins()[0]->deliver(make_(i));
            pins()[0]->deliverEndOfStream();
        });
    }
    if (to == FilterState::Stopped) {
        stop_ = true;
        join();
    }
    return S_OK;
}

void SyntheticSource::join() {
    if (thread_.joinable()) thread_.join();
}

SamplePtr patternFrame(const VideoFormat& format, int index, bool noise) {
    auto sample = std::make_shared<MediaSample>();
    const int bytesPerPixel = format.bitsPerPixel / 8;
    sample->stride = format.width * bytesPerPixel;
    sample->data.resize(static_cast<std::size_t>(sample->stride) * format.height);
    const int squareX = (index * 8) % (format.width - 64);
    std::uint32_t random = 2463534242u + static_cast<std::uint32_t>(index);
    for (int y = 0; y < format.height; ++y) {
        for (int x = 0; x < format.width; ++x) {
            std::uint8_t* p = &sample->data[static_cast<std::size_t>(y) * sample->stride + x * bytesPerPixel];
            const bool inSquare = x >= squareX && x < squareX + 64 && y >= 100 && y < 164;
            std::uint8_t grain = 0;
            if (noise) {
                random ^= random << 13;
                random ^= random >> 17;
                random ^= random << 5;
                grain = static_cast<std::uint8_t>(random & 0x0F);
            }
            p[0] = inSquare ? 255 : static_cast<std::uint8_t>(x + grain);
            p[1] = inSquare ? 255 : static_cast<std::uint8_t>(y + grain);
            p[2] = inSquare ? 255 : static_cast<std::uint8_t>(index * 4 + grain);
        }
    }
    sample->pts_100ns = index * kSecond_100ns / format.framesPerSecond;
    sample->duration_100ns = kSecond_100ns / format.framesPerSecond;
    return sample;
}

SamplePtr toneChunk(const AudioFormat& format, int index) {
    auto sample = std::make_shared<MediaSample>();
    sample->data.resize(static_cast<std::size_t>(kChunkFrames) * format.bytesPerFrame());
    auto* pcm = reinterpret_cast<std::int16_t*>(sample->data.data());
    for (int i = 0; i < kChunkFrames; ++i) {
        const double t = static_cast<double>(index * kChunkFrames + i) / format.sampleRate;
        const auto value = static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 440 * t));
        for (int c = 0; c < format.channels; ++c) pcm[i * format.channels + c] = value;
    }
    sample->pts_100ns = std::int64_t{index} * kChunkFrames * kSecond_100ns / format.sampleRate;
    sample->duration_100ns = std::int64_t{kChunkFrames} * kSecond_100ns / format.sampleRate;
    return sample;
}

namespace {

struct InputClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

// The first channel of a decoded frame, as float.
void appendFirstChannel(const AVFrame& frame, std::vector<float>& out) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int step = av_sample_fmt_is_planar(format) ? 1 : frame.ch_layout.nb_channels;
    for (int i = 0; i < frame.nb_samples; ++i) {
        switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_FLT: out.push_back(reinterpret_cast<const float*>(frame.data[0])[i * step]); break;
        case AV_SAMPLE_FMT_S16:
            out.push_back(reinterpret_cast<const std::int16_t*>(frame.data[0])[i * step] / 32768.0f);
            break;
        default: ADD_FAILURE() << "sample format " << av_get_sample_fmt_name(format); return;
        }
    }
}

}  // namespace

SamplePtr flashFrame(const VideoFormat& format, int index) {
    auto sample = std::make_shared<MediaSample>();
    sample->pts_100ns = index * kSecond_100ns / format.framesPerSecond;
    sample->duration_100ns = kSecond_100ns / format.framesPerSecond;
    sample->stride = format.width * format.bitsPerPixel / 8;
    const double t = static_cast<double>(sample->pts_100ns) / kSecond_100ns;
    const bool bright = t >= kFlashAt_s - 1e-9 && t < kFlashAt_s + 0.1;
    sample->data.assign(static_cast<std::size_t>(sample->stride) * format.height, bright ? 255 : 0);
    return sample;
}

SamplePtr stillFrame(const VideoFormat& format, int index) {
    auto sample = std::make_shared<MediaSample>(*patternFrame(format, 0));
    sample->pts_100ns = index * kSecond_100ns / format.framesPerSecond;
    return sample;
}

SamplePtr beepChunk(const AudioFormat& format, int index) {
    auto sample = std::make_shared<MediaSample>();
    sample->pts_100ns = std::int64_t{index} * kChunkFrames * kSecond_100ns / format.sampleRate;
    sample->duration_100ns = std::int64_t{kChunkFrames} * kSecond_100ns / format.sampleRate;
    sample->data.resize(static_cast<std::size_t>(kChunkFrames) * format.bytesPerFrame());
    auto* out = reinterpret_cast<std::int16_t*>(sample->data.data());
    const auto from = static_cast<std::int64_t>(kFlashAt_s * format.sampleRate);
    for (int i = 0; i < kChunkFrames; ++i) {
        const std::int64_t n = std::int64_t{index} * kChunkFrames + i;
        const bool on = n >= from && n < from + format.sampleRate / 10;
        const auto v = static_cast<std::int16_t>(on ? 12000 * std::sin(2 * std::numbers::pi * 1000.0 * n / format.sampleRate) : 0);
        for (int c = 0; c < format.channels; ++c) out[i * format.channels + c] = v;
    }
    return sample;
}

namespace {

// Read again without letting the reader fill in the times it can guess.
int unstampedPictures(const std::string& path) {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "fflags", "nofillin", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return -1;
    std::unique_ptr<AVFormatContext, InputClose> input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return -1;
    int unstamped = 0;
    ffmpeg::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            packet->pts == AV_NOPTS_VALUE)
            ++unstamped;
        av_packet_unref(packet.get());
    }
    return unstamped;
}

}  // namespace

Recording readBack(const std::string& path) {
    Recording r;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return r;
    std::unique_ptr<AVFormatContext, InputClose> input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return r;
    r.formatName = input->iformat->name;
    r.duration_s = static_cast<double>(input->duration) / AV_TIME_BASE;

    ffmpeg::CodecContextPtr decoder;
    ffmpeg::CodecContextPtr videoDecoder;
    int audioIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* par = input->streams[i]->codecpar;
        r.codecs.push_back(par->codec_id);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            r.width = par->width;
            r.height = par->height;
            videoDecoder.reset(avcodec_alloc_context3(avcodec_find_decoder(par->codec_id)));
            avcodec_parameters_to_context(videoDecoder.get(), par);
            avcodec_open2(videoDecoder.get(), videoDecoder->codec, nullptr);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            audioIndex = static_cast<int>(i);
            r.sampleRate = par->sample_rate;
            decoder.reset(avcodec_alloc_context3(avcodec_find_decoder(par->codec_id)));
            avcodec_parameters_to_context(decoder.get(), par);
            avcodec_open2(decoder.get(), decoder->codec, nullptr);
        }
    }
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    std::int64_t lastPts = INT64_MIN;
    std::int64_t lastDts = INT64_MIN;
    int videoIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) videoIndex = static_cast<int>(i);
    auto seconds = [&](std::int64_t pts, int stream) {
        return static_cast<double>(pts) * av_q2d(input->streams[stream]->time_base);
    };
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            const std::size_t before = r.sound.size();
            appendFirstChannel(*frame, r.sound);
            for (std::size_t i = before; r.soundOnset_s < 0 && i < r.sound.size(); ++i)
                if (std::abs(r.sound[i]) > 0.1f && frame->best_effort_timestamp != AV_NOPTS_VALUE)
                    r.soundOnset_s = seconds(frame->best_effort_timestamp, audioIndex) +
                                     static_cast<double>(i - before) / frame->sample_rate;
        }
    };
    auto drainVideo = [&] {
        while (avcodec_receive_frame(videoDecoder.get(), frame.get()) >= 0) {
            r.pictureTypes += av_get_picture_type_char(frame->pict_type);
            if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
                r.pictureTimes_s.push_back(seconds(frame->best_effort_timestamp, videoIndex));
            // The middle of the picture (luma of a YUV frame).
            const std::uint8_t luma = frame->data[0][(frame->height / 2) * frame->linesize[0] + frame->width / 2];
            if (r.firstBright_s < 0 && luma > 128 && frame->best_effort_timestamp != AV_NOPTS_VALUE)
                r.firstBright_s = seconds(frame->best_effort_timestamp, videoIndex);
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audioIndex) {
            avcodec_send_packet(decoder.get(), packet.get());
            drain();
        } else {
            ++r.videoPackets;
            r.videoBytes += packet->size;
            r.videoSeconds += static_cast<double>(packet->duration) * av_q2d(input->streams[packet->stream_index]->time_base);
            if (packet->flags & AV_PKT_FLAG_KEY) ++r.keyFrames;
            if (packet->pts <= lastPts) r.videoPtsRise = false;
            if (packet->dts != AV_NOPTS_VALUE) {
                if (packet->dts <= lastDts) r.videoDtsRise = false;
                lastDts = packet->dts;
            }
            lastPts = packet->pts;
            avcodec_send_packet(videoDecoder.get(), packet.get());
            drainVideo();
        }
        av_packet_unref(packet.get());
    }
    if (decoder) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain();
    }
    if (videoDecoder) {
        avcodec_send_packet(videoDecoder.get(), nullptr);
        drainVideo();
    }
    r.unstampedPictures = unstampedPictures(path);
    return r;
}

double loudestFrequency(const std::vector<float>& sound, int sampleRate) {
    const int window = sampleRate / 4;
    if (sound.size() < static_cast<std::size_t>(2 * window)) return 0;
    const std::size_t start = sound.size() / 2 - window / 2;
    double best = 0;
    double bestPower = -1;
    for (double f = 100; f <= 2000; f += 5) {
        double re = 0;
        double im = 0;
        for (int i = 0; i < window; ++i) {
            const double phase = 2 * std::numbers::pi * f * i / sampleRate;
            re += sound[start + i] * std::cos(phase);
            im += sound[start + i] * std::sin(phase);
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

}  // namespace platform::test
