#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FakePlatform.h"
#include "capture/GraphToolkit.h"
#include "capture/Mpeg2RecordingPath.h"
#include "capture/RecordingFilters.h"
#include "capture/RecordingGraph.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/fake/FakeScreenSource.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/media/linux/AudioFilters.h"
#include "platform/media/linux/Mpeg2Filters.h"
#include "platform/media/linux/MpegMultiplexerFilter.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/linux/VideoFilters.h"

namespace talvora {
namespace {

using platform::Filter;
using platform::Mpeg2Parameter;
using platform::PinDirection;

// A renderer without the quality-properties interface.
class PlainRenderer : public Filter {
public:
    PlainRenderer() : Filter("{PLAIN-RENDERER}") { addPin("Input", PinDirection::Input); }
};

// A multiplexer whose first input pin is the audio one.
class AudioFirstMultiplexer : public Filter {
public:
    AudioFirstMultiplexer() : Filter("{AUDIO-FIRST}") {
        addPin("Input1", PinDirection::Input);
        addPin("Input0", PinDirection::Input);
        addPin("Out", PinDirection::Output);
    }
};

class Mpeg2RecordingPathTest : public ::testing::Test {
protected:
    Mpeg2RecordingPathTest() : toolkit(registry, fp.log, pages), path(fp.ctx, toolkit) {
        registerAll(registry);
        Settings& s = fp.ctx.settings;
        s.protocol = 0;
        s.videoBitrate = 3000;
        s.audioBitrate = 64;
        s.audioSource = "VozEza5";
        s.audioOutput = "";
        s.audioOnly = s.videoOnly = 0;
        output = (fp.root / "Zoom.mpg").string();
    }

    void registerAll(platform::FilterRegistry& r) {
        platform::registerVideoFilters(r, screen, fp.log);
        platform::registerAudioFilters(r, audio, fp.log);
        platform::registerMpeg2Filters(r, fp.log);
    }

    // The legacy category without the entries of `name`, and with
    // `replacement` under that name when one is given.
    void replaceEntry(const std::string& name, platform::FilterFactory replacement = nullptr) {
        all = platform::FilterRegistry();
        registerAll(all);
        registry = platform::FilterRegistry();
        for (const char* classId : {platform::kScreenCaptureClassId, platform::kAudioCaptureClassId})
            registry.registerClass(classId, [this, classId] { return all.create(classId); });
        for (const auto& entry : all.entries(platform::kLegacyFilterCategory))
            if (entry.friendlyName != name) registry.addEntry(platform::kLegacyFilterCategory, entry);
        if (replacement)
            registry.addEntry(platform::kLegacyFilterCategory, {name, "{REPLACEMENT}", std::move(replacement)});
    }

    // Both steps of the path into a fresh graph, as a recording start does.
    bool build() {
        graph = std::make_unique<platform::FilterGraph>(registry);
        filters = RecordingFilters();
        const Settings& s = fp.ctx.settings;
        path.prepare({15, 32, 0, 0, 640, 480, s.protocol, s.videoBitrate, 1, 1, 0, 0, 0, 0, 100, 0}, false);
        return path.addFilters(*graph, filters, output) && path.connect(*graph, filters);
    }

    static std::int64_t valueOf(const std::shared_ptr<Filter>& filter, Mpeg2Parameter parameter) {
        platform::ModuleValue value;
        EXPECT_EQ(platform::query<platform::ModuleConfig>(filter)->getValue(platform::mpeg2Parameter(parameter).id,
                                                                             &value),
                  platform::S_OK);
        return value.value;
    }

    static bool connected(const std::shared_ptr<Filter>& filter, PinDirection direction, const char* pin) {
        return filter && filter->findPin(direction, pin) != nullptr && filter->findPin(direction, pin)->isConnected();
    }

    std::string lastMessage() const {
        return fp.messageBox.texts().empty() ? std::string() : fp.messageBox.texts().back();
    }

    test::FakePlatform fp;
    platform::FakeAudioSystem audio;
    platform::FakeScreenSource screen;
    platform::FilterRegistry all;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    Mpeg2RecordingPath path;
    std::unique_ptr<platform::FilterGraph> graph;
    RecordingFilters filters;
    std::string output;
};

TEST_F(Mpeg2RecordingPathTest, ConfiguresTheFiltersFromTheSettings) {
    struct Case {
        int protocol;
        int videoBitrate;
        int audioBitrate;
        std::int64_t average;
        std::int64_t maximum;
        std::int64_t layer2Index;
    };
    const std::int64_t encodersOwnIndex = platform::mpeg2Parameter(Mpeg2Parameter::AudioBitRateIndex).defaultValue;
    const Case cases[] = {
        {8, 3000, 64, 6'000'000, 7'000'000, 4},
        {0, 3000, 32, 3'000'000, 4'000'000, encodersOwnIndex},
        {2, 1200, 384, 1'200'000, 2'200'000, 14},
        {0, 1200, 112, 1'200'000, 2'200'000, encodersOwnIndex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protocol);
        fp.messageBox.clear();
        Settings& s = fp.ctx.settings;
        s.protocol = c.protocol;
        s.videoBitrate = c.videoBitrate;
        s.audioBitrate = c.audioBitrate;
        ASSERT_TRUE(build()) << lastMessage();
        EXPECT_TRUE(fp.messageBox.texts().empty()) << lastMessage();
        EXPECT_EQ(valueOf(filters.videoEncoder, Mpeg2Parameter::VideoBitRate), c.average);
        EXPECT_EQ(valueOf(filters.videoEncoder, Mpeg2Parameter::VideoMaxBitRate), c.maximum);
        EXPECT_EQ(valueOf(filters.audioEncoder, Mpeg2Parameter::AudioBitRateIndex), c.layer2Index);
    }
    // The rest of the table, the same for every recording.
    struct Fixed {
        std::shared_ptr<Filter> filter;
        Mpeg2Parameter parameter;
        std::int64_t value;
    };
    for (const Fixed& f : {Fixed{filters.mpegSink, Mpeg2Parameter::SinkReplaceFile, 1},
                           Fixed{filters.multiplexer, Mpeg2Parameter::MuxProgramStream, 1},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoRateMode, 0},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoBufferBits, 1'000'000},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoClosedGop, 1},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoProgressive, 1},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoGopAnchors, 4},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoAnchorDistance, 4},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoDcPrecision, 0},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoSceneCuts, 0},
                           Fixed{filters.videoEncoder, Mpeg2Parameter::VideoChroma422, 0}})
        EXPECT_EQ(valueOf(f.filter, f.parameter), f.value) << platform::mpeg2Parameter(f.parameter).meaning;

    // Screen -> tee -> encoder -> multiplexer -> sink, the tee's second
    // output to the renderer, audio -> encoder -> multiplexer.
    EXPECT_EQ(platform::query<platform::FileSink>(filters.mpegSink)->fileName(), output);
    EXPECT_EQ(fp.ctx.settings.audioOutput, "Out");
    for (const auto& [filter, direction, pin] :
         {std::tuple{filters.screen, PinDirection::Output, "Output"}, {filters.tee, PinDirection::Output, "Output1"},
          {filters.tee, PinDirection::Output, "Output2"}, {filters.renderer, PinDirection::Input, "Input"},
          {filters.videoEncoder, PinDirection::Output, "Output"}, {filters.audio, PinDirection::Output, "Out"},
          {filters.audioEncoder, PinDirection::Output, "XForm Out"}, {filters.multiplexer, PinDirection::Input, "Input0"},
          {filters.multiplexer, PinDirection::Input, "Input1"}, {filters.mpegSink, PinDirection::Input, "Input"}})
        EXPECT_TRUE(connected(filter, direction, pin)) << pin;
    // Added, not connected.
    ASSERT_TRUE(filters.colorConverter);
    EXPECT_EQ(graph->findFilter("MainConcept Color Space Converter"), filters.colorConverter);
    EXPECT_FALSE(connected(filters.colorConverter, PinDirection::Input, "Input"));
}

TEST_F(Mpeg2RecordingPathTest, AudioOnlyAndVideoOnlyLeaveOutTheOtherSide) {
    fp.ctx.settings.audioOnly = 1;
    ASSERT_TRUE(build()) << lastMessage();
    for (const auto& absent : {filters.screen, filters.videoEncoder, filters.tee, filters.colorConverter,
                               filters.renderer})
        EXPECT_FALSE(absent);
    for (const char* name : {"ScrCap BCK", "MainConcept MPEG-2 Video Encoder", "MainConcept InfTee Filter",
                             "Video Renderer"})
        EXPECT_FALSE(graph->findFilter(name)) << name;
    EXPECT_FALSE(connected(filters.multiplexer, PinDirection::Input, "Input0"));
    EXPECT_TRUE(connected(filters.multiplexer, PinDirection::Input, "Input1"));
    // The video encoder was never configured: nothing of it was asked.
    EXPECT_TRUE(fp.messageBox.texts().empty()) << lastMessage();

    fp.ctx.settings.audioOnly = 0;
    fp.ctx.settings.videoOnly = 1;
    ASSERT_TRUE(build()) << lastMessage();
    EXPECT_FALSE(filters.audio);
    EXPECT_FALSE(filters.audioEncoder);
    EXPECT_TRUE(connected(filters.multiplexer, PinDirection::Input, "Input0"));
    EXPECT_FALSE(connected(filters.multiplexer, PinDirection::Input, "Input1"));
}

TEST_F(Mpeg2RecordingPathTest, AMissingPieceEndsTheBuildWithItsMessage) {
    struct Case {
        const char* left;  // friendly name taken out of the category
        std::function<void(Settings&, std::string&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"MainConcept InfTee Filter", nullptr, "Cannot connect Screen Capture to Encoder (2)"},
        {"MainConcept MPEG-2 Video Encoder", nullptr, "Cannot install MPEG Encoder filter"},
        {"MainConcept MPEG Multiplexer", nullptr, "Cannot install Mux filter"},
        {"MainConcept Sink Filter", nullptr, "Cannot install File Sink filter"},
        {"MainConcept Layer II Audio Encoder", nullptr, "Cannot install MPEG Audio Encoder filter"},
        {"", [](Settings& s, std::string&) { s.audioSource.clear(); },
         "Audio is not setup for recording. Please open Audio Setup under Settings."},
        {"", [](Settings&, std::string& out) { out = "/nowhere/at/all/Zoom.mpg"; },
         "Cannot create file /nowhere/at/all/Zoom.mpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        replaceEntry(c.left);
        fp.ctx.settings.audioSource = "VozEza5";
        output = (fp.root / "Zoom.mpg").string();
        if (c.change) c.change(fp.ctx.settings, output);
        EXPECT_FALSE(build());
        EXPECT_EQ(lastMessage(), c.message);
    }
}

TEST_F(Mpeg2RecordingPathTest, ARendererWithoutQualityPropertiesIsReportedAndTheBuildGoesOn) {
    replaceEntry("Video Renderer", [] { return std::make_shared<PlainRenderer>(); });
    EXPECT_TRUE(build());
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"No pIPQ"});
    EXPECT_TRUE(connected(filters.renderer, PinDirection::Input, "Input"));
}

TEST_F(Mpeg2RecordingPathTest, AMultiplexerWhoseFirstInputIsAudioIsReplaced) {
    int made = 0;
    std::shared_ptr<Filter> first;
    replaceEntry("MainConcept MPEG Multiplexer", [&]() -> std::shared_ptr<Filter> {
        if (made++ == 0) return first = std::make_shared<AudioFirstMultiplexer>();
        return std::make_shared<platform::MpegMultiplexerFilter>("{MUX}", fp.log);
    });
    ASSERT_TRUE(build()) << lastMessage();
    EXPECT_EQ(made, 2);
    EXPECT_EQ(first->graph(), nullptr);
    EXPECT_EQ(graph->findFilter("MainConcept MPEG Multiplexer"), filters.multiplexer);
    EXPECT_NE(filters.multiplexer, first);
}

TEST_F(Mpeg2RecordingPathTest, RefusedSettingsAreReportedAndTheEncoderKeepsItsOwn) {
    struct Case {
        int protocol;
        int videoBitrate;
    };
    // No rate, and a doubled rate beyond what MPEG-2 allows.
    for (const Case& c : {Case{0, 0}, Case{8, 60000}}) {
        SCOPED_TRACE(c.videoBitrate);
        fp.messageBox.clear();
        fp.ctx.settings.protocol = c.protocol;
        fp.ctx.settings.videoBitrate = c.videoBitrate;
        EXPECT_TRUE(build());
        EXPECT_EQ(lastMessage(), "Cannot configure video encoder");
        // Nothing of a refused configuration takes effect, not even what
        // came before the refusal: the encoder goes on with its own rates.
        const platform::EncodedFormat encoded =
            filters.videoEncoder->offeredType(*filters.videoEncoder->findPin(PinDirection::Output, "Output")).encoded;
        EXPECT_EQ(encoded.bitRate, platform::mpeg2Parameter(Mpeg2Parameter::VideoBitRate).defaultValue);
        EXPECT_EQ(encoded.maxBitRate, platform::mpeg2Parameter(Mpeg2Parameter::VideoMaxBitRate).defaultValue);
    }
}

}  // namespace
}  // namespace talvora
