#pragma once

#include <vector>

#include "platform/desktop/Geometry.h"

namespace platform {

// What the screen-cast portal says of the monitor it shares, and the size of
// the pictures its stream sends.
struct SharedMonitorFacts {
    Point position;  // as the portal gives it; 0,0 when it gives none
    int width = 0;   // the portal's size; 0 when it gives none
    int height = 0;
    int frameWidth = 0;
    int frameHeight = 0;
};

// Where the shared monitor lies in the X root's coordinates, at the size it
// has there: the stream's pictures cover it whole, scaled by the monitor's
// scale. The portal's position and (logical) size where it clearly gives
// them; otherwise the one monitor of XWayland's `rootMonitors` that the
// pictures are an integer scale (1 to 3, the smallest first) of. Where none
// or several fit, the monitor at the origin the size of the pictures, as a
// single unscaled monitor would be.
Rect locateSharedMonitor(const SharedMonitorFacts& facts, const std::vector<Rect>& rootMonitors);

}  // namespace platform
