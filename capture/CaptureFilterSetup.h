#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "capture/GraphToolkit.h"
#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/FilterGraph.h"

namespace talvora {

// The name the system's messages give a graph result ("" for others).
std::string ResultName(platform::HRESULT hr);

// Creates and configures the screen-capture filter, then adds a fresh
// instance (which takes over the values) to the graph as "ScrCap BCK".
// Shows its own messages; `preview` selects the preview's message forms.
std::shared_ptr<platform::Filter> SetupScreenCapture(AppContext& ctx, GraphToolkit& toolkit,
                                                     platform::FilterGraph& graph, const std::array<int, 16>& values,
                                                     bool preview);

// The same for the audio-capture filter, added as "VozEza5 Filter"; the set-up
// call is skipped with `Video Only`.
std::shared_ptr<platform::Filter> SetupAudioCapture(AppContext& ctx, GraphToolkit& toolkit,
                                                    platform::FilterGraph& graph,
                                                    const platform::AudioCaptureSetup& setup);

// The audio set-up values from the settings and the session's flags.
platform::AudioCaptureSetup AudioSetupFromSettings(Settings& settings, bool muted, bool stopping);

}  // namespace talvora
