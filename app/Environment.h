#pragma once

#include <atomic>
#include <string>

#include "platform/desktop/Geometry.h"

namespace talvora {

// Facts about the system worked out at start-up (version, rights, monitors).
// Written on the UI thread during start-up and by monitor refreshes; the
// flags are atomics because workers read them.
struct Environment {
    std::atomic<bool> administrator{false};
    std::atomic<bool> vistaOrLater{false};
    std::atomic<bool> notWindows7{false};
    std::atomic<bool> windows10{false};
    std::string versionText;  // up to 100 characters
    bool versionChecked = false;

    // Monitor geometry, left/top/right/bottom in virtual-desktop pixels.
    int monitorCount = 1;
    platform::Rect mainMonitorRect;
    platform::Rect otherMonitorRect;
    platform::Rect otherWorkRect;
    platform::Rect desktopRect;
    int taskbarHeight = 0;
    int verticalDpi = 96;
};

}  // namespace talvora
