#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/core/fake/FakeLog.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/linux/AsfWriterFilter.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/WriterFilters.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kSecond_100ns = 10'000'000;

// A source that, once running, delivers `count` samples made by `make` from
// a thread of its own, as fast as it can, then the end of the stream.
class SyntheticSource : public Filter {
public:
    SyntheticSource(MediaType type, int count, std::function<SamplePtr(int)> make)
        : Filter("{SYNTHETIC}"), type_(type), count_(count), make_(std::move(make)) {
        addPin("Out", PinDirection::Output);
    }
    ~SyntheticSource() override { join(); }

    MediaType offeredType(const Pin&) const override { return type_; }
    HRESULT changeState(FilterState from, FilterState to, StreamClock&) override {
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
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    MediaType type_;
    int count_;
    std::function<SamplePtr(int)> make_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A bright square moving over a gradient.
SamplePtr patternFrame(const VideoFormat& format, int index) {
    auto sample = std::make_shared<MediaSample>();
    const int bytesPerPixel = format.bitsPerPixel / 8;
    sample->stride = format.width * bytesPerPixel;
    sample->data.resize(static_cast<std::size_t>(sample->stride) * format.height);
    const int squareX = (index * 8) % (format.width - 64);
    for (int y = 0; y < format.height; ++y) {
        for (int x = 0; x < format.width; ++x) {
            std::uint8_t* p = &sample->data[static_cast<std::size_t>(y) * sample->stride + x * bytesPerPixel];
            const bool inSquare = x >= squareX && x < squareX + 64 && y >= 100 && y < 164;
            p[0] = inSquare ? 255 : static_cast<std::uint8_t>(x);
            p[1] = inSquare ? 255 : static_cast<std::uint8_t>(y);
            p[2] = inSquare ? 255 : static_cast<std::uint8_t>(index * 4);
        }
    }
    sample->pts_100ns = index * kSecond_100ns / format.framesPerSecond;
    sample->duration_100ns = kSecond_100ns / format.framesPerSecond;
    return sample;
}

constexpr int kChunkFrames = 480;

// Chunks of a 440 Hz tone, the same on every channel.
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

WmProfile profileFor(bool audio, bool video) {
    WmProfile profile{"Orlan Profile", "test", std::nullopt, std::nullopt};
    if (audio) profile.audio = WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16, {0, 0x88, 0, 0, 0x0F, 0, 0, 0, 0, 0}};
    if (video) profile.video = WmVideoStream{2, 1200000, 5000, 640, 480, 666666, "WMV1", 80, 100000000};
    return profile;
}

// What a recorded file holds, read back with libavformat and decoded.
struct Recording {
    std::vector<AVCodecID> codecs;
    int width = 0;
    int height = 0;
    double duration_s = 0;
    int videoPackets = 0;
    int keyFrames = 0;
    bool videoPtsRise = true;
    int sampleRate = 0;
    std::vector<float> sound;  // first channel
};

struct InputClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

Recording readBack(const std::string& path) {
    Recording r;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return r;
    std::unique_ptr<AVFormatContext, InputClose> input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return r;
    r.duration_s = static_cast<double>(input->duration) / AV_TIME_BASE;

    ffmpeg::CodecContextPtr decoder;
    int audioIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* par = input->streams[i]->codecpar;
        r.codecs.push_back(par->codec_id);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            r.width = par->width;
            r.height = par->height;
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
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            EXPECT_EQ(frame->format, AV_SAMPLE_FMT_FLTP);
            const auto* first = reinterpret_cast<const float*>(frame->data[0]);
            r.sound.insert(r.sound.end(), first, first + frame->nb_samples);
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == audioIndex) {
            avcodec_send_packet(decoder.get(), packet.get());
            drain();
        } else {
            ++r.videoPackets;
            if (packet->flags & AV_PKT_FLAG_KEY) ++r.keyFrames;
            if (packet->pts <= lastPts) r.videoPtsRise = false;
            lastPts = packet->pts;
        }
        av_packet_unref(packet.get());
    }
    if (decoder) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain();
    }
    return r;
}

// The frequency from 100 to 2000 Hz, in 5 Hz steps, that holds the most
// power over a quarter second from the middle of the sound.
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

class AsfWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("talvora-asf-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        registerWriterFilters(registry_, log_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::shared_ptr<AsfWriterFilter> makeWriter(const WmProfile& profile, const std::string& file) {
        auto writer = std::dynamic_pointer_cast<AsfWriterFilter>(registry_.create(kAsfWriterClassId));
        EXPECT_TRUE(writer);
        EXPECT_EQ(query<AsfWriterConfig>(writer.get())->configureFilterUsingProfile(&profile), S_OK);
        EXPECT_EQ(query<FileSink>(writer.get())->setFileName(path(file)), S_OK);
        return writer;
    }
    std::string path(const std::string& file) const { return (folder_ / file).string(); }

    fs::path folder_;
    FakeLog log_;
    FilterRegistry registry_;
};

struct RecordCase {
    const char* name;
    std::optional<VideoFormat> video;  // source format
    std::optional<AudioFormat> audio;
};

TEST_F(AsfWriterTest, RecordsThreeSecondsThatPlayBack) {
    const RecordCase cases[] = {
        {"both.wmv", VideoFormat{640, 480, 32, 15}, AudioFormat{44100, 2, 16}},
        // Scaled from another size and format; resampled from another rate.
        {"scaled.wmv", VideoFormat{800, 600, 24, 15}, AudioFormat{48000, 1, 16}},
        {"video.wmv", VideoFormat{640, 480, 32, 15}, std::nullopt},
        {"audio.wmv", std::nullopt, AudioFormat{48000, 2, 16}},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        FilterGraph graph(registry_);
        auto writer = makeWriter(profileFor(c.audio.has_value(), c.video.has_value()), c.name);
        ASSERT_EQ(graph.addFilter(writer, "Mux"), S_OK);
        std::vector<std::shared_ptr<SyntheticSource>> sources;
        if (c.video) {
            const VideoFormat v = *c.video;
            sources.push_back(std::make_shared<SyntheticSource>(MediaType::ofVideo(v), 3 * v.framesPerSecond,
                                                                [v](int i) { return patternFrame(v, i); }));
            graph.addFilter(sources.back(), "video");
            ASSERT_EQ(graph.connectDirect(sources.back()->pins()[0].get(),
                                          writer->findPin(PinDirection::Input, "Video Input 01")),
                      S_OK);
        }
        if (c.audio) {
            const AudioFormat a = *c.audio;
            sources.push_back(std::make_shared<SyntheticSource>(MediaType::ofAudio(a), 3 * a.sampleRate / kChunkFrames,
                                                                [a](int i) { return toneChunk(a, i); }));
            graph.addFilter(sources.back(), "audio");
            ASSERT_EQ(graph.connectDirect(sources.back()->pins()[0].get(),
                                          writer->findPin(PinDirection::Input, "Audio Input 01")),
                      S_OK);
        }
        ASSERT_EQ(graph.run(), S_OK);
        for (auto& source : sources) source->join();
        ASSERT_EQ(graph.stop(), S_OK);
        EXPECT_EQ(writer->droppedSamples(), 0);

        const Recording r = readBack(path(c.name));
        std::vector<AVCodecID> expected;
        if (c.audio) expected.push_back(AV_CODEC_ID_WMAV2);
        if (c.video) expected.push_back(AV_CODEC_ID_WMV1);
        EXPECT_EQ(r.codecs, expected);
        EXPECT_NEAR(r.duration_s, 3.0, 0.3);
        if (c.video) {
            EXPECT_EQ(r.width, 640);
            EXPECT_EQ(r.height, 480);
            EXPECT_EQ(r.videoPackets, 45);
            EXPECT_EQ(r.keyFrames, 1);  // one every ten seconds
            EXPECT_TRUE(r.videoPtsRise);
        }
        if (c.audio) {
            EXPECT_EQ(r.sampleRate, 44100);
            EXPECT_NEAR(static_cast<double>(r.sound.size()) / r.sampleRate, 3.0, 0.3);
            EXPECT_NEAR(loudestFrequency(r.sound, r.sampleRate), 440, 5);
        }
    }
}

TEST_F(AsfWriterTest, RepeatedFrameNumbersAreSkippedAndHolesInTheSoundFilled) {
    FilterGraph graph(registry_);
    auto writer = makeWriter(profileFor(true, true), "holes.wmv");
    graph.addFilter(writer, "Mux");
    const VideoFormat v{320, 240, 32, 30};  // twice the profile's rate
    const AudioFormat a{44100, 2, 16};
    auto video = std::make_shared<SyntheticSource>(MediaType::ofVideo(v), 60, [v](int i) { return patternFrame(v, i); });
    // The second second of the tone never arrives.
    auto audio = std::make_shared<SyntheticSource>(MediaType::ofAudio(a), 3 * a.sampleRate / kChunkFrames,
                                                   [a](int i) { return toneChunk(a, i < 92 ? i : i + 92); });
    graph.addFilter(video, "video");
    graph.addFilter(audio, "audio");
    graph.connectDirect(video->pins()[0].get(), writer->findPin(PinDirection::Input, "Video Input 01"));
    graph.connectDirect(audio->pins()[0].get(), writer->findPin(PinDirection::Input, "Audio Input 01"));
    ASSERT_EQ(graph.run(), S_OK);
    video->join();
    audio->join();
    graph.stop();

    const Recording r = readBack(path("holes.wmv"));
    EXPECT_EQ(r.videoPackets, 30);  // 15 fps over two seconds
    EXPECT_TRUE(r.videoPtsRise);
    // The sound still ends where its time stamps say.
    EXPECT_NEAR(static_cast<double>(r.sound.size()) / r.sampleRate, 4.0, 0.2);
}

TEST_F(AsfWriterTest, RefusesWhatItCannotWrite) {
    FilterGraph graph(registry_);
    auto writer = std::dynamic_pointer_cast<AsfWriterFilter>(registry_.create(kAsfWriterClassId));
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->configureFilterUsingProfile(nullptr), E_POINTER);
    WmProfile wrongAudio = profileFor(true, false);
    wrongAudio.audio->formatTag = 1;
    WmProfile wrongVideo = profileFor(false, true);
    wrongVideo.video->compression = "MP42";
    EXPECT_EQ(writer->configureFilterUsingProfile(&wrongAudio), E_INVALIDARG);
    EXPECT_EQ(writer->configureFilterUsingProfile(&wrongVideo), E_INVALIDARG);
    EXPECT_TRUE(writer->pins().empty());

    const WmProfile both = profileFor(true, true);
    const WmProfile audioOnly = profileFor(true, false);
    ASSERT_EQ(writer->configureFilterUsingProfile(&both), S_OK);
    EXPECT_EQ(writer->configureFilterUsingProfile(&audioOnly), E_UNEXPECTED);
    EXPECT_EQ(writer->configureFilterUsingProfile(&both), S_OK);
    EXPECT_EQ(writer->setFileName(""), E_INVALIDARG);

    graph.addFilter(writer, "Mux");
    Pin* audioPin = writer->findPin(PinDirection::Input, "Audio Input 01");
    EXPECT_EQ(writer->acceptType(*audioPin, MediaType::ofAudio({44100, 2, 8})), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(writer->acceptType(*audioPin, MediaType::ofVideo({640, 480, 32, 15})), VFW_E_TYPE_NOT_ACCEPTED);
    Pin* videoPin = writer->findPin(PinDirection::Input, "Video Input 01");
    EXPECT_EQ(writer->acceptType(*videoPin, MediaType::ofVideo({640, 480, 16, 15})), VFW_E_TYPE_NOT_ACCEPTED);

    // No file name, then pins left unconnected, then a folder that does not exist.
    EXPECT_EQ(graph.run(), E_UNEXPECTED);
    ASSERT_EQ(writer->setFileName(path("x.wmv")), S_OK);
    EXPECT_EQ(graph.run(), VFW_E_NOT_CONNECTED);
    auto audio = std::make_shared<SyntheticSource>(MediaType::ofAudio({44100, 2, 16}), 0, nullptr);
    auto video = std::make_shared<SyntheticSource>(MediaType::ofVideo({64, 48, 32, 15}), 0, nullptr);
    graph.addFilter(audio, "audio");
    graph.addFilter(video, "video");
    graph.connectDirect(audio->pins()[0].get(), audioPin);
    graph.connectDirect(video->pins()[0].get(), videoPin);
    ASSERT_EQ(writer->setFileName(path("missing/x.wmv")), S_OK);
    EXPECT_EQ(graph.run(), static_cast<HRESULT>(0x80070002u));
    EXPECT_NE(log_.lines().back().find("cannot create the file"), std::string::npos);
}

}  // namespace
}  // namespace platform
