#pragma once

#include <string>

#include "platform/desktop/Geometry.h"

namespace talvora {

struct AppContext;

// What the monitor dialog shows about the monitors: the two resolution texts
// ("resolution: %dx%d scale: %d%") and the background-mode scale.
struct MonitorTexts {
    std::string first;
    std::string second;  // empty with one monitor
    int backgroundScale = 100;
};

// From the environment's monitors, the launcher's switches, the display
// scales and the settings; `primaryWidth` and `primaryHeight` are the primary
// screen's size.
MonitorTexts ComputeMonitorTexts(const AppContext& ctx, int primaryWidth, int primaryHeight);

// The main-display line's monitor: 1 with one monitor or when the second
// monitor does not start at the left edge 0, else 2.
int MainDisplayNumber(const AppContext& ctx);

// The capture rectangle after a monitor was chosen (`Monitor` 1 or 2): with
// `FullScreen` set the whole monitor, and `FullScreen` then names it (1 or
// 2); otherwise 500 x 400 pixels, 100 pixels in from its top left corner.
void MoveCaptureRectToMonitor(AppContext& ctx);

// "Reset markers": `FullScreen` 0 and the capture rectangle 200, 200, 800,
// 600, where the region frame then starts.
void ResetMarkerRect(AppContext& ctx);

}  // namespace talvora
