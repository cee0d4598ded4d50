#pragma once

#include <vector>

#include "platform/desktop/Geometry.h"

namespace platform {

struct Monitor {
    Rect monitor;
    Rect work;
};

// System metrics the system reads; the values live in one place of the layer.
enum class SystemMetric {
    EdgeWidth,        // SM_CXEDGE
    FrameWidth,       // SM_CXFRAME
    MenuHeight,       // SM_CYMENU
    CaptionHeight,    // SM_CYCAPTION
    HScrollHeight,    // SM_CYHSCROLL
};

// Screens, monitors and the work area of the desktop.
class Display {
public:
    virtual ~Display() = default;

    // Primary screen size in logical pixels.
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    // The desktop window's rectangle: the primary screen's place in the
    // virtual desktop (at the origin where the system puts it there).
    virtual Rect desktopRect() = 0;
    virtual Rect workArea() = 0;
    // Monitors in the order the system reports them; one entry at least.
    virtual std::vector<Monitor> monitors() = 0;
    virtual int verticalDpi() = 0;
    virtual int systemMetric(SystemMetric metric) = 0;
};

}  // namespace platform
