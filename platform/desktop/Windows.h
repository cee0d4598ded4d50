#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop/Geometry.h"

namespace platform {

// A top-level window of the desktop (an X11 window id on Linux); 0 is none.
using WindowId = std::uint32_t;

// Top-level windows of every process on the desktop. Called from the UI thread
// and from workers (each call is self-contained).
class Windows {
public:
    virtual ~Windows() = default;

    // The first top-level window with exactly this title; hidden windows count.
    virtual WindowId find(const std::string& title) = 0;
    // All top-level windows, topmost first; hidden windows come last.
    virtual std::vector<WindowId> topLevel() = 0;
    // Title, or empty when the window has none or is gone.
    virtual std::string title(WindowId window) = 0;
    virtual bool exists(WindowId window) = 0;
    virtual bool isVisible(WindowId window) = 0;
    virtual bool isMinimized(WindowId window) = 0;
    // Rectangle in root coordinates including the window manager's frame.
    virtual Rect rect(WindowId window) = 0;
};

}  // namespace platform
