#include "platform/desktop/linux/SharedMonitor.h"

namespace platform {

namespace {

constexpr int kLargestScale = 3;

}  // namespace

Rect locateSharedMonitor(const SharedMonitorFacts& facts, const std::vector<Rect>& rootMonitors) {
    // GNOME's and KDE's portals give the monitor's place and its logical
    // size. The wlroots portal (0.7.0) always says 0,0 and the buffer's size,
    // which tells nothing: only a place off the origin, or a size other than
    // the pictures', is the portal's own word.
    const bool sized = facts.width > 0 && facts.height > 0;
    const bool logicalSize = sized && (facts.width != facts.frameWidth || facts.height != facts.frameHeight);
    if (facts.position != Point{} || logicalSize) {
        const int width = sized ? facts.width : facts.frameWidth;
        const int height = sized ? facts.height : facts.frameHeight;
        return {facts.position.x, facts.position.y, facts.position.x + width, facts.position.y + height};
    }
    for (int scale = 1; scale <= kLargestScale; ++scale) {
        const Rect* match = nullptr;
        int matches = 0;
        for (const Rect& monitor : rootMonitors) {
            if (monitor.width() * scale == facts.frameWidth && monitor.height() * scale == facts.frameHeight) {
                match = &monitor;
                ++matches;
            }
        }
        if (matches == 1) return *match;
        // Two monitors alike: nothing tells which one is shared.
        if (matches > 1) break;
    }
    return {0, 0, facts.frameWidth, facts.frameHeight};
}

}  // namespace platform
