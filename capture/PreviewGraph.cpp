#include "capture/PreviewGraph.h"

#include "capture/CaptureFilterSetup.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/VideoWindow.h"

namespace talvora {

using platform::PinDirection;

namespace {

// The preview's own values against the recording's set-up.
constexpr int kPreviewFrameRate = 5;
constexpr int kPreviewProtocol = 100;
constexpr int kPreviewVideoBitrate = 1000;
constexpr int kFullScale = 100;

// A recording that is still starting or stopping gets this long first.
constexpr int kRecordingWaits = 3;
constexpr int kRecordingWait_ms = 1000;

// The "MAXI" layout's video area in unscaled pixels.
constexpr int kMaxiLeft = 195;
constexpr int kMaxiTop = 39;
constexpr int kMaxiWidth = 301;
constexpr int kMaxiHeight = 137;

int scaled(int pixels, double scale) { return static_cast<int>(pixels * scale); }

}  // namespace

PreviewGraph::PreviewGraph(AppContext& ctx, GraphToolkit& toolkit, const platform::FilterRegistry& registry,
                           PreviewHost& host)
    : ctx_(ctx), toolkit_(toolkit), registry_(registry), host_(host) {}

PreviewGraph::~PreviewGraph() { tearDown(); }

platform::HRESULT PreviewGraph::createGraph() {
    graph_ = std::make_unique<platform::FilterGraph>(registry_);
    return platform::S_OK;
}

void PreviewGraph::restart() {
    if (host_.recorderWindow() == 0 || ctx_.settings.showVideo == 0) return;
    if (graph_) graph_->stop();
    tearDown();
    createGraph();
    active_ = false;
}

int PreviewGraph::show() {
    platform::MessageBox& box = ctx_.platform.messageBox;
    const Settings& s = ctx_.settings;
    if (!enabled_) return 1;
    if (ctx_.recording)
        for (int i = 0; i < kRecordingWaits; ++i) ctx_.platform.pump.pump(kRecordingWait_ms);
    if (host_.recorderWindow() == 0 || s.showVideo == 0 || !host_.screenReady()) return 1;
    restart();

    active_ = true;
    if (!graph_) createGraph();
    // Its own failures have been shown; the check below then fails too.
    const std::array<int, 16> values = screenValues();
    screen_ = SetupScreenCapture(ctx_, toolkit_, *graph_, values, true);
    auto* config = platform::query<platform::ScreenCaptureConfig>(screen_);
    if (config == nullptr || platform::failed(config->configure(values))) {
        box.show("Cannot setup screen capture filter");
        return 0;
    }

    renderer_ = toolkit_.AddFilterByNameToPreview(*graph_, platform::kLegacyFilterCategory, "Video Renderer");
    platform::Pin* capture = toolkit_.FindPin(screen_.get(), PinDirection::Output, "Capture");
    if (!renderer_ || capture == nullptr) {
        box.show("Cannot render cloned video");
        return 0;
    }
    if (platform::failed(graph_->render(capture))) {
        box.show("Cannot render screen");
        return 0;
    }
    platform::VideoWindow* window = videoWindow();
    if (window == nullptr) {
        box.show("Cannot show video 2");
        return 0;
    }
    placeVideoWindow(*window);
    if (platform::failed(graph_->run())) {
        box.show("Cannot show video 1");
        return 0;
    }
    if (s.setTopWindow != 0) host_.refreshLayeredStyle();
    return 1;
}

void PreviewGraph::placeVideoWindow(platform::VideoWindow& window) {
    window.setOwner(host_.videoOwner());
    if (ctx_.settings.miniClone == 0) {
        const double s = host_.interfaceScale();
        window.setWindowPosition(scaled(kMaxiLeft, s), scaled(kMaxiTop, s), scaled(kMaxiWidth, s),
                                 scaled(kMaxiHeight, s));
    } else {
        // Below the title strip and the buttons, down to the status line.
        const RecordingHost::ClientLayout layout = host_.clientLayout();
        const int m = layout.stripAndButtons;
        window.setWindowPosition(0, m, layout.clientWidth + 1, layout.clientHeight - (layout.statusHeight + m));
    }
    window.setAutoShow(true);
    window.setVisible(true);
    window.setForeground();
}

void PreviewGraph::tearDown() {
    // The toolkit keeps the renderer alive until its next search, so its
    // window leaves the recorder window now rather than showing a still.
    if (platform::VideoWindow* window = videoWindow()) {
        window->setVisible(false);
        window->setOwner(0);
    }
    if (graph_) {
        if (screen_) graph_->removeFilter(screen_.get());
        if (renderer_) graph_->removeFilter(renderer_.get());
    }
    screen_.reset();
    renderer_.reset();
    graph_.reset();
}

std::array<int, 16> PreviewGraph::screenValues() {
    const Settings& s = ctx_.settings;
    const CaptureTarget target = host_.captureTarget();
    const int scale =
        target.windowCaptureActive != 0 && s.monitor == 2 ? target.secondMonitorScale : kFullScale;
    return {kPreviewFrameRate, s.bitcount, s.xTop, s.yTop, s.xBottom, s.yBottom, kPreviewProtocol,
            kPreviewVideoBitrate, 1, s.cursor, 0, static_cast<int>(target.trackedWindow), target.windowCaptureActive,
            0, scale, 0};
}

platform::VideoWindow* PreviewGraph::videoWindow() const {
    if (!graph_) return nullptr;
    for (const auto& filter : graph_->filters())
        if (auto* window = platform::query<platform::VideoWindow>(filter)) return window;
    return nullptr;
}

}  // namespace talvora
