#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "SyntheticMedia.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/linux/AsfWriterFilter.h"
#include "platform/media/linux/WriterFilters.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test::kChunkFrames;
using test::loudestFrequency;
using test::patternFrame;
using test::readBack;
using test::Recording;
using test::SyntheticSource;
using test::toneChunk;

WmProfile profileFor(bool audio, bool video) {
    WmProfile profile{"Orlan Profile", "test", std::nullopt, std::nullopt};
    if (audio) profile.audio = WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16, {0, 0x88, 0, 0, 0x0F, 0, 0, 0, 0, 0}};
    if (video) profile.video = WmVideoStream{2, 1200000, 5000, 640, 480, 666666, "WMV1", 80, 100000000};
    return profile;
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

TEST_F(AsfWriterTest, SoundAndPictureOfOneMomentArePresentedTogether) {
    // The sound encoder primes itself with a frame of sound: a player must
    // still present the beep with the flash.
    FilterGraph graph(registry_);
    auto writer = makeWriter(profileFor(true, true), "flash.wmv");
    graph.addFilter(writer, "Mux");
    const VideoFormat v{640, 480, 32, 15};
    const AudioFormat a{44100, 2, 16};
    auto video = std::make_shared<SyntheticSource>(MediaType::ofVideo(v), 30, [v](int i) { return test::flashFrame(v, i); });
    auto audio = std::make_shared<SyntheticSource>(MediaType::ofAudio(a), 2 * 44100 / kChunkFrames,
                                                   [a](int i) { return test::beepChunk(a, i); });
    graph.addFilter(video, "video");
    graph.addFilter(audio, "audio");
    ASSERT_EQ(graph.connectDirect(video->pins()[0].get(), writer->findPin(PinDirection::Input, "Video Input 01")), S_OK);
    ASSERT_EQ(graph.connectDirect(audio->pins()[0].get(), writer->findPin(PinDirection::Input, "Audio Input 01")), S_OK);
    ASSERT_EQ(graph.run(), S_OK);
    video->join();
    audio->join();
    ASSERT_EQ(graph.stop(), S_OK);
    const Recording r = readBack(path("flash.wmv"));
    ASSERT_GE(r.firstBright_s, 0);
    ASSERT_GE(r.soundOnset_s, 0);
    EXPECT_NEAR(r.soundOnset_s, r.firstBright_s, 0.005);
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
