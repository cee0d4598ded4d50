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

    // The media player on the PATH, looked up at the recorder window's first
    // tick (a player installed later is used after a restart); empty when
    // there is none.
    std::string vlcLocation;
};

}  // namespace talvora
