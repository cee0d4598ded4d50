#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop/Geometry.h"

namespace platform {

// A top-level window of the desktop (an X11 window id on Linux); 0 is none.
using WindowId = std::uint32_t;

// Extended-style bits (the values of Windows' WS_EX_*) that a backend can
// report for a window; the system compares them exactly.
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr std::uint32_t WS_EX_LAYERED = 0x00080000;
constexpr std::uint32_t WS_EX_NOREDIRECTIONBITMAP = 0x00200000;

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
    // Titles of many windows at once (one round trip on X11), in their order.
    virtual std::vector<std::string> titles(const std::vector<WindowId>& windows) = 0;
    // The WS_EX_* bits above that the window has; 0 when it is gone. Which
    // window property stands for which bit is the backend's to say.
    virtual std::uint32_t extendedStyle(WindowId window) = 0;
    // Shows a minimised or hidden window again and puts it on top of the
    // windows that are not topmost, itself no longer topmost, keeping its
    // place and size.
    virtual void restoreBelowTopmost(WindowId window) = 0;
};

}  // namespace platform
