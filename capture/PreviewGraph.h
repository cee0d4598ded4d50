#pragma once

#include <array>
#include <memory>

#include "app/AppContext.h"
#include "capture/GraphToolkit.h"
#include "capture/PreviewHost.h"
#include "platform/media/FilterGraph.h"

namespace platform {
class FilterRegistry;
class VideoWindow;
}  // namespace platform

namespace talvora {

// The preview graph `m_pGB2`: while no recording runs, a screen capture of
// the capture rectangle at 5 frames per second drawn by a renderer into the
// recorder window, the cloned video. Created, shown, restarted and torn
// down on the UI thread; the waits dispatch messages.
class PreviewGraph {
public:
    PreviewGraph(AppContext& ctx, GraphToolkit& toolkit, const platform::FilterRegistry& registry, PreviewHost& host);
    ~PreviewGraph();
    PreviewGraph(const PreviewGraph&) = delete;
    PreviewGraph& operator=(const PreviewGraph&) = delete;

    platform::HRESULT createGraph();
    // With a recorder window and `ShowVideo` set: stops and empties the
    // graph and clears the preview-active flag. The recording graph's build,
    // the region marking, the recorder window and the settings dialog call it.
    void restart();
    // 1 when shown or when there is nothing to show, 0 after a message.
    int show();
    // Takes both filters out and releases the graph.
    void tearDown();

    // Set by a show, cleared by a restart; read by the recorder window.
    bool active() const { return active_; }
    // The recorder window's switch: without it a show does nothing.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }

    bool exists() const { return graph_ != nullptr; }
    platform::FilterGraph* graph() const { return graph_.get(); }

private:
    // The recording's set-up values with the preview's rate, protocol and bit rate.
    std::array<int, 16> screenValues();
    platform::VideoWindow* videoWindow() const;
    void placeVideoWindow(platform::VideoWindow& window);

    AppContext& ctx_;
    GraphToolkit& toolkit_;
    const platform::FilterRegistry& registry_;
    PreviewHost& host_;

    std::unique_ptr<platform::FilterGraph> graph_;
    std::shared_ptr<platform::Filter> screen_;
    std::shared_ptr<platform::Filter> renderer_;
    bool active_ = false;
    bool enabled_ = false;
};

}  // namespace talvora
