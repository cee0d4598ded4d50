// A recording that cannot start leaves no file behind, whichever writer it
// has and whichever filter fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "SyntheticMedia.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"
#include "platform/media/linux/Mpeg2Filters.h"
#include "platform/media/linux/WriterFilters.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A source of the given type whose start fails (a sound server that is
// gone, a display that cannot be opened).
class FailingSource : public Filter {
public:
    explicit FailingSource(MediaType type) : Filter("{FAILING-SOURCE}"), type_(type) {
        addPin("Out", PinDirection::Output);
    }
    MediaType offeredType(const Pin&) const override { return type_; }
    HRESULT changeState(FilterState from, FilterState, StreamClock&) override {
        return from == FilterState::Stopped ? E_FAIL : S_OK;
    }

private:
    MediaType type_;
};

class FailedStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("talvora-failed-start-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        registerWriterFilters(registry_, log_);
        registerMpeg2Filters(registry_, log_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& file) const { return (folder_ / file).string(); }

    fs::path folder_;
    FakeLog log_;
    FilterRegistry registry_;
};

TEST_F(FailedStartTest, NeitherWriterLeavesAFile) {
    const VideoFormat video{64, 48, 32, 15};
    const AudioFormat audio{44100, 2, 16};
    {
        // Windows Media: the writer creates the file, then the sound fails.
        FilterGraph graph(registry_);
        auto writer = registry_.create(kAsfWriterClassId);
        WmProfile profile{"Orlan Profile", "test", std::nullopt, std::nullopt};
        profile.audio = WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16, {0, 0x88, 0, 0, 0x0F, 0, 0, 0, 0, 0}};
        profile.video = WmVideoStream{2, 1200000, 5000, 64, 48, 666666, "WMV1", 80, 100000000};
        ASSERT_EQ(query<AsfWriterConfig>(writer.get())->configureFilterUsingProfile(&profile), S_OK);
        ASSERT_EQ(query<FileSink>(writer.get())->setFileName(path("failed.wmv")), S_OK);
        auto screen = std::make_shared<test::SyntheticSource>(MediaType::ofVideo(video), 0, nullptr);
        auto sound = std::make_shared<FailingSource>(MediaType::ofAudio(audio));
        graph.addFilter(writer, "Mux");
        graph.addFilter(screen, "screen");
        graph.addFilter(sound, "sound");
        ASSERT_EQ(graph.connectDirect(screen->pins()[0].get(), writer->findPin(PinDirection::Input, "Video Input 01")),
                  S_OK);
        ASSERT_EQ(graph.connectDirect(sound->pins()[0].get(), writer->findPin(PinDirection::Input, "Audio Input 01")),
                  S_OK);
        EXPECT_EQ(graph.run(), E_FAIL);
        EXPECT_FALSE(fs::exists(path("failed.wmv")));
    }
    {
        // MPEG-2: the sink and the multiplexer start, then the sound fails.
        FilterGraph graph(registry_);
        auto encoder = registry_.create(kLayer2AudioEncoderClassId);
        auto mux = registry_.create(kMpegMultiplexerClassId);
        auto sink = registry_.create(kMpegSinkClassId);
        ASSERT_EQ(query<FileSink>(sink)->setFileName(path("failed.mpg")), S_OK);
        auto sound = std::make_shared<FailingSource>(MediaType::ofAudio(audio));
        graph.addFilter(encoder, "audio");
        graph.addFilter(mux, "mux");
        graph.addFilter(sink, "sink");
        graph.addFilter(sound, "sound");
        ASSERT_EQ(graph.connectDirect(sound->pins()[0].get(), encoder->findPin(PinDirection::Input, "XForm In")), S_OK);
        ASSERT_EQ(graph.connectDirect(encoder->findPin(PinDirection::Output, "XForm Out"),
                                      mux->findPin(PinDirection::Input, "Input1")),
                  S_OK);
        ASSERT_EQ(graph.connectDirect(mux->findPin(PinDirection::Output, "Out"), sink->findPin(PinDirection::Input, "Input")),
                  S_OK);
        EXPECT_EQ(graph.run(), E_FAIL);
        EXPECT_FALSE(fs::exists(path("failed.mpg")));

        // A start that works keeps its file.
        graph.removeFilter(sound.get());
        auto good = std::make_shared<test::SyntheticSource>(MediaType::ofAudio(audio), 0, nullptr);
        graph.addFilter(good, "good");
        ASSERT_EQ(graph.connectDirect(good->pins()[0].get(), encoder->findPin(PinDirection::Input, "XForm In")), S_OK);
        ASSERT_EQ(graph.run(), S_OK);
        graph.stop();
        EXPECT_TRUE(fs::exists(path("failed.mpg")));
    }
}

}  // namespace
}  // namespace platform
