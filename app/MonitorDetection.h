#pragma once

#include <vector>

#include "app/AppContext.h"
#include "platform/desktop/Display.h"

namespace talvora {

class SettingsStore;

// Fills the monitor geometry of the environment, adjusts the `Monitor`
// setting and saves the settings. Run at start and whenever fresh geometry
// is needed; UI thread.
void DetectMonitors(AppContext& ctx, SettingsStore& store);

// Index of the monitor nearest to the point (the one holding it, else the one
// at the smallest distance; the first on ties).
std::size_t NearestMonitor(const std::vector<platform::Monitor>& monitors, platform::Point point);

}  // namespace talvora
