#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "capture/PreviewGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/VideoWindow.h"
#include "platform/media/fake/FakePropertyPages.h"

namespace talvora {
namespace {

using platform::Filter;
using platform::HRESULT;
using platform::PinDirection;

constexpr platform::WindowId kRecorder = 0x3c00011;

class FakeScreen : public Filter, public platform::ScreenCaptureConfig {
public:
    explicit FakeScreen(bool fail) : Filter(platform::kScreenCaptureClassId), fail_(fail) {
        addPin("Output", PinDirection::Output);
        addPin("Capture", PinDirection::Output);
    }
    HRESULT configure(const std::array<int, 16>& v) override {
        values = v;
        return fail_ ? platform::E_FAIL : platform::S_OK;
    }
    platform::MediaType offeredType(const platform::Pin&) const override {
        return platform::MediaType::ofVideo({8, 8, 32, 5});
    }
    std::array<int, 16> values{};

private:
    bool fail_;
};

// A renderer that takes video only when `accepts`, with a video window or without.
class FakeRenderer : public Filter {
public:
    explicit FakeRenderer(bool accepts) : Filter("{renderer}"), accepts_(accepts) { addPin("Input", PinDirection::Input); }
    HRESULT acceptType(platform::Pin&, const platform::MediaType&) override {
        return accepts_ ? platform::S_OK : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }

private:
    bool accepts_;
};

class FakeVideoRenderer : public FakeRenderer, public platform::VideoWindow {
public:
    FakeVideoRenderer() : FakeRenderer(true) {}
    HRESULT setOwner(platform::WindowId w) override {
        owner = w;
        return platform::S_OK;
    }
    HRESULT setAutoShow(bool on) override {
        autoShow = on;
        return platform::S_OK;
    }
    HRESULT setVisible(bool on) override {
        visible = on;
        return platform::S_OK;
    }
    HRESULT setWindowPosition(int l, int t, int w, int h) override {
        position = {l, t, w, h};
        return platform::S_OK;
    }
    HRESULT setForeground() override {
        ++raised;
        return platform::S_OK;
    }

    platform::WindowId owner = 0;
    bool autoShow = false;
    bool visible = false;
    int raised = 0;
    std::array<int, 4> position{};
};

struct FakePreviewHost : PreviewHost {
    platform::WindowId recorderWindow() override { return window; }
    double interfaceScale() const override { return scale; }
    RecordingHost::ClientLayout clientLayout() override { return layout; }
    void refreshLayeredStyle() override { ++layeredRefreshes; }
    CaptureTarget captureTarget() override { return target; }
    bool screenReady() override { return screenGiven; }

    platform::WindowId window = kRecorder;
    bool screenGiven = true;
    double scale = 1.0;
    RecordingHost::ClientLayout layout;
    CaptureTarget target;
    int layeredRefreshes = 0;
};

enum class RendererKind { Video, None, Refusing, WithoutWindow };

class PreviewGraphTest : public ::testing::Test {
protected:
    PreviewGraphTest() : toolkit(registry, fp.log, pages) {
        fp.ctx.settings.showVideo = 1;
        fp.ctx.settings.xTop = 10;
        fp.ctx.settings.yTop = 20;
        fp.ctx.settings.xBottom = 650;
        fp.ctx.settings.yBottom = 500;
        fp.ctx.settings.bitcount = 32;
    }

    // Registers the filters and makes the preview, enabled as after the third tick.
    PreviewGraph& make(RendererKind renderer = RendererKind::Video, bool screenFails = false) {
        registry.registerClass(platform::kScreenCaptureClassId, [this, screenFails] {
            screens.push_back(std::make_shared<FakeScreen>(screenFails));
            return screens.back();
        });
        registry.addEntry(platform::kLegacyFilterCategory, {"Video Renderer", "{renderer}", [this, renderer] {
                              return makeRenderer(renderer);
                          }});
        preview = std::make_unique<PreviewGraph>(fp.ctx, toolkit, registry, host);
        preview->createGraph();
        preview->setEnabled(true);
        return *preview;
    }

    std::shared_ptr<Filter> makeRenderer(RendererKind kind) {
        switch (kind) {
            case RendererKind::Video: return renderers.emplace_back(std::make_shared<FakeVideoRenderer>());
            case RendererKind::Refusing: return std::make_shared<FakeRenderer>(false);
            case RendererKind::WithoutWindow: return std::make_shared<FakeRenderer>(true);
            case RendererKind::None: break;
        }
        return nullptr;
    }

    test::FakePlatform fp;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    FakePreviewHost host;
    std::vector<std::shared_ptr<FakeScreen>> screens;
    std::vector<std::shared_ptr<FakeVideoRenderer>> renderers;
    std::unique_ptr<PreviewGraph> preview;
};

TEST_F(PreviewGraphTest, NothingToShowCreatesNothingAndSucceeds) {
    const struct {
        const char* what;
        bool enabled;
        int showVideo;
        platform::WindowId window;
        bool screenGiven = true;
    } cases[] = {
        {"ShowVideo 0", true, 0, kRecorder},
        {"not enabled yet", false, 1, kRecorder},
        {"no recorder window", true, 1, 0},
        {"the desktop has not given its screen yet", true, 1, kRecorder, false},
    };
    PreviewGraph& p = make();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p.setEnabled(c.enabled);
        fp.ctx.settings.showVideo = c.showVideo;
        host.window = c.window;
        host.screenGiven = c.screenGiven;
        EXPECT_EQ(p.show(), 1);
        EXPECT_TRUE(screens.empty());
        EXPECT_TRUE(p.graph()->filters().empty());
        EXPECT_FALSE(p.active());
        EXPECT_TRUE(fp.messageBox.shown().empty());
    }
}

TEST_F(PreviewGraphTest, PlacesTheClonedVideoForEachLayoutAndRuns) {
    const struct {
        const char* what;
        int miniClone;
        double scale;
        std::array<int, 4> expected;
    } cases[] = {
        // Each product truncated: 292.5, 58.5, 451.5, 205.5.
        {"MAXI at 1.5", 0, 1.5, {292, 58, 451, 205}},
        {"MAXI at 1.0", 0, 1.0, {195, 39, 301, 137}},
        // Below the strip and buttons (60), one wider than the client, down to the status line (20).
        {"MINI", 1, 1.5, {0, 60, 501, 220}},
    };
    PreviewGraph& p = make();
    host.layout = {500, 300, 20, 60};
    fp.ctx.settings.setTopWindow = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fp.ctx.settings.miniClone = c.miniClone;
        host.scale = c.scale;
        ASSERT_EQ(p.show(), 1) << (fp.messageBox.texts().empty() ? "" : fp.messageBox.texts().back());
        const FakeVideoRenderer& window = *renderers.back();
        EXPECT_EQ(window.position, c.expected);
        EXPECT_EQ(window.owner, kRecorder);
        EXPECT_TRUE(window.visible && window.autoShow);
        EXPECT_EQ(window.raised, 1);
        EXPECT_TRUE(window.pins()[0]->isConnected());
        EXPECT_EQ(p.graph()->state(), platform::FilterState::Running);
        EXPECT_TRUE(p.active());
    }
    // Each show began from an empty graph: two filters, not a pile.
    EXPECT_EQ(p.graph()->filters().size(), 2u);
    EXPECT_EQ(host.layeredRefreshes, 3);
    EXPECT_TRUE(fp.pump.durations().empty());
}

TEST_F(PreviewGraphTest, ScreenValuesAreTheRecordingsWithThePreviewsRateAndScale) {
    const struct {
        int captureActive;
        int monitor;
        int expectedScale;
    } cases[] = {{1, 2, 150}, {1, 1, 100}, {0, 2, 100}};
    PreviewGraph& p = make();
    fp.ctx.settings.cursor = 1;
    host.target.trackedWindow = 0x1e00004;
    host.target.secondMonitorScale = 150;
    for (const auto& c : cases) {
        host.target.windowCaptureActive = c.captureActive;
        fp.ctx.settings.monitor = c.monitor;
        ASSERT_EQ(p.show(), 1);
        const std::array<int, 16> expected{5, 32, 10, 20, 650, 500, 100, 1000, 1, 1, 0, 0x1e00004,
                                           c.captureActive, 0, c.expectedScale, 0};
        // Both instances: the one configured first and the one in the graph.
        EXPECT_EQ(screens[screens.size() - 2]->values, expected);
        EXPECT_EQ(screens.back()->values, expected);
    }
}

TEST_F(PreviewGraphTest, ARunningRecordingIsGivenThreeSecondsFirst) {
    PreviewGraph& p = make();
    fp.ctx.recording = true;
    EXPECT_EQ(p.show(), 1);
    EXPECT_EQ(fp.pump.durations(), (std::vector<int>{1000, 1000, 1000}));
}

TEST_F(PreviewGraphTest, EachFailureShowsItsMessageAndReturnsZero) {
    const struct {
        const char* what;
        RendererKind renderer;
        bool screenFails;
        std::vector<std::string> messages;
    } cases[] = {
        {"no renderer", RendererKind::None, false, {"Cannot render cloned video"}},
        {"renderer refuses the video", RendererKind::Refusing, false, {"Cannot render screen"}},
        {"renderer without a window", RendererKind::WithoutWindow, false, {"Cannot show video 2"}},
        {"screen capture refuses the values", RendererKind::Video, true,
         {"FAIL settings 1", "Cannot setup screen capture filter"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        registry = platform::FilterRegistry();
        fp.messageBox.clear();
        PreviewGraph& p = make(c.renderer, c.screenFails);
        EXPECT_EQ(p.show(), 0);
        EXPECT_EQ(fp.messageBox.texts(), c.messages);
        EXPECT_TRUE(p.active());
        EXPECT_NE(p.graph()->state(), platform::FilterState::Running);
    }
}

TEST_F(PreviewGraphTest, RestartEmptiesTheGraphAndTakesTheVideoOutOfTheWindow) {
    PreviewGraph& p = make();
    ASSERT_EQ(p.show(), 1);
    const std::shared_ptr<FakeVideoRenderer> shown = renderers.back();
    p.restart();
    EXPECT_FALSE(p.active());
    ASSERT_TRUE(p.exists());
    EXPECT_TRUE(p.graph()->filters().empty());
    EXPECT_EQ(p.graph()->state(), platform::FilterState::Stopped);
    EXPECT_FALSE(shown->visible);
    EXPECT_EQ(shown->owner, 0u);
    EXPECT_EQ(shown->graph(), nullptr);

    p.tearDown();
    EXPECT_FALSE(p.exists());
}

}  // namespace
}  // namespace talvora
