#pragma once

#include <string>

#include "platform/desktop/Geometry.h"

namespace talvora {

// Interface scale of the recorder window: `Size` / 100, 1.2 when that is 0,
// times the layout multiplier.
double RecorderInterfaceScale(int sizeSetting, double layoutMultiplier);

// Where the recorder window goes: at `Position` ("x,y") when both numbers are
// not 0, otherwise at the bottom right of the primary screen, clear of the
// panel. The size is the unscaled size times `s`.
platform::Rect PlaceRecorderWindow(const std::string& position, double s, int unscaledWidth, int unscaledHeight,
                                   int screenRight, int screenBottom, int taskbarHeight);

}  // namespace talvora
