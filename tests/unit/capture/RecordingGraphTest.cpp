#include <gtest/gtest.h>

#include <filesystem>

#include "FakePlatform.h"
#include "capture/FakeRecordingFilters.h"
#include "app/SettingsStore.h"
#include "capture/RecordingGraph.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/media/linux/WavDestFilter.h"

namespace talvora {
namespace {

using namespace test;

using platform::Filter;
using platform::MediaType;
using platform::PinDirection;

class RecordingGraphTest : public ::testing::Test {
protected:
    RecordingGraphTest() : store(fp.ctx), programFolder(fp, store), toolkit(registry, fp.log, pages) {
        test::registerFakeRecordingFilters(registry, screens, audioSetups);
    }

    // Sets fields, writes them, and builds as a recording start does.
    int build(const std::function<void(Settings&)>& change) {
        change(fp.ctx.settings);
        store.write();
        graph = std::make_unique<RecordingGraph>(fp.ctx, store, toolkit, registry, host);
        graph->createGraph();
        return graph->buildAndRun((fp.root / "out.wmv").string(), {}, false);
    }
    bool inGraph(const char* name) const { return graph->graph()->findFilter(name) != nullptr; }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder programFolder;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    FakeHost host;
    std::vector<std::shared_ptr<FakeScreen>> screens;
    std::vector<platform::AudioCaptureSetup> audioSetups;
    std::unique_ptr<RecordingGraph> graph;
};

TEST_F(RecordingGraphTest, FullWmvGraphWithTeeAndRenderer) {
    ASSERT_EQ(build([](Settings& s) {
                  s.protocol = 1;
                  s.xTop = 0;
                  s.yTop = 0;
                  s.xBottom = 801;
                  s.yBottom = 601;
                  s.setTopWindow = 1;
                  s.frameRate = 15.7f;
              }),
              1)
        << (fp.messageBox.texts().empty() ? "" : fp.messageBox.texts().back());
    const Settings& s = fp.ctx.settings;
    EXPECT_EQ((std::array<int, 4>{s.xTop, s.yTop, s.xBottom, s.yBottom}), (std::array<int, 4>{-1, -1, 799, 599}));
    for (const char* name : {"ScrCap BCK", "VozEza5 Filter", "Mux", "Infinte Pin Tee Filter", "Video Renderer"})
        EXPECT_TRUE(inGraph(name)) << name;
    // The instance in the graph was configured again with the normalised rectangle.
    const auto& values = screens.back()->values;
    EXPECT_EQ(values[0], 15);
    EXPECT_EQ((std::array<int, 4>{values[2], values[3], values[4], values[5]}), (std::array<int, 4>{-1, -1, 799, 599}));
    EXPECT_TRUE(graph->graph()->findFilter("Video Renderer")->pins()[0]->isConnected());
    EXPECT_EQ(graph->graph()->state(), platform::FilterState::Running);
    EXPECT_EQ(host.previewRestarts, 1);
    EXPECT_EQ(host.playCaption, "PAUSE");
    EXPECT_GT(graph->startTime(), 0);
    EXPECT_EQ(fp.log.lines().back(), "\r\n\r\nRUNNING\r\n");

    graph->stop();
    EXPECT_EQ(graph->graph()->state(), platform::FilterState::Stopped);
    EXPECT_EQ(audioSetups.back().stopping, 1);
    EXPECT_EQ(fp.sound.played.back(), "./sound1.wav");
    graph->tearDownReleaseAndCreate();
    EXPECT_TRUE(graph->graph()->filters().empty());
}

TEST_F(RecordingGraphTest, TheAudioSetupsTestGraphIsGoneWhenARecordingStarts) {
    // Audio Setup tries the microphone it offers into a WAV writer that has
    // no file, and OK with both sides ticked leaves that graph as it is.
    registry.addEntry(platform::kLegacyFilterCategory,
                      {"WAV Dest", "{wavdest}", [this] { return std::make_shared<platform::WavDestFilter>(fp.log); }});
    registry.addEntry(platform::kAudioCaptureCategory, {"Microphone", platform::kAudioCaptureClassId, [this] {
                                                            return std::make_shared<FakeAudio>(audioSetups);
                                                        }});
    fp.ctx.settings.audioSource = "Microphone";
    store.write();
    graph = std::make_unique<RecordingGraph>(fp.ctx, store, toolkit, registry, host);
    graph->createGraph();
    ASSERT_EQ(graph->audioSourceTest(), 1);

    fp.ctx.settings.protocol = 1;
    fp.ctx.settings.audioSource = "VozEza5";
    store.write();
    EXPECT_EQ(graph->buildAndRun((fp.root / "out.wmv").string(), {}, false), 1) << ::testing::PrintToString(fp.messageBox.texts());
    EXPECT_FALSE(inGraph("WAV Dest"));
    EXPECT_EQ(graph->graph()->state(), platform::FilterState::Running);
}

TEST_F(RecordingGraphTest, AudioOnlyAndVideoOnlyLeaveOutTheOtherSide) {
    ASSERT_EQ(build([](Settings& s) {
                  s.protocol = 1;
                  s.audioOnly = 1;
                  s.setTopWindow = 0;
              }),
              1);
    EXPECT_FALSE(inGraph("ScrCap BCK"));
    EXPECT_TRUE(inGraph("VozEza5 Filter"));

    ASSERT_EQ(build([](Settings& s) {
                  s.audioOnly = 0;
                  s.videoOnly = 1;
              }),
              1);
    EXPECT_TRUE(inGraph("ScrCap BCK"));
    EXPECT_FALSE(inGraph("VozEza5 Filter"));
}

TEST_F(RecordingGraphTest, OtherProtocolsAddNothingButStillRun) {
    ASSERT_EQ(build([](Settings& s) { s.protocol = 5; }), 1);
    EXPECT_TRUE(graph->graph()->filters().empty());
    EXPECT_EQ(host.previewRestarts, 1);
    // MPEG-2 without its path, or with a rate above 48 kHz, fails without a word.
    fp.ctx.audio.clientRate = 96000;
    EXPECT_EQ(build([](Settings& s) { s.protocol = 0; }), 0);
    EXPECT_TRUE(fp.messageBox.shown().empty());
}

TEST_F(RecordingGraphTest, NarrowRectangleIsRefusedByTheProfile) {
    EXPECT_EQ(build([](Settings& s) {
                  s.protocol = 1;
                  s.xTop = 100;
                  s.xBottom = 107;
              }),
              0);
    EXPECT_EQ(fp.messageBox.texts().back(), "Cannot setup WMP recording");
}

TEST_F(RecordingGraphTest, HighSpeakerRateOnWmvShowsInstructionsAndCloses) {
    fp.ctx.audio.clientRate = 96000;
    EXPECT_EQ(build([](Settings& s) { s.protocol = 1; }), 0);
    EXPECT_EQ(fp.launcher.calls.back().file, ".\\sound.bat");
    EXPECT_NE(fp.messageBox.texts().back().find("WINDOWS 7 / VISTA SAMPLE RATE SETUP"), std::string::npos);
    EXPECT_EQ(host.flagClears, 1);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(RecordingGraphTest, MissingTeeFailsAndSmartMicOffMeansNoChange) {
    registry = platform::FilterRegistry();
    registry.registerClass(platform::kScreenCaptureClassId, [] { return std::make_shared<FakeScreen>(); });
    registry.registerClass(platform::kAudioCaptureClassId, [this] { return std::make_shared<FakeAudio>(audioSetups); });
    registry.registerClass(platform::kAsfWriterClassId, [] { return std::make_shared<FakeWriter>(); });
    EXPECT_EQ(build([](Settings& s) {
                  s.protocol = 1;
                  s.setTopWindow = 1;
                  s.smartMic = 0;
                  s.recOption = 1;
                  s.procVolume = 50;
              }),
              0);
    ASSERT_FALSE(audioSetups.empty());
    EXPECT_EQ(audioSetups.front().recOption, 2);
    EXPECT_FLOAT_EQ(audioSetups.front().procVolume, 0.5f);
}

}  // namespace
}  // namespace talvora
