#include "app/MonitorDetection.h"

#include <limits>

#include "app/SettingsStore.h"

namespace talvora {

namespace {

long long distanceSquared(const platform::Rect& r, platform::Point p) {
    // Right and bottom are exclusive, so the last pixel inside is right - 1.
    const long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - (r.right - 1) : 0);
    const long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - (r.bottom - 1) : 0);
    return dx * dx + dy * dy;
}

}  // namespace

std::size_t NearestMonitor(const std::vector<platform::Monitor>& monitors, platform::Point point) {
    std::size_t best = 0;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const long long d = distanceSquared(monitors[i].monitor, point);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void DetectMonitors(AppContext& ctx, SettingsStore& store) {
    platform::Display& display = ctx.platform.display;
    Environment& env = ctx.environment;
    Settings& settings = ctx.settings;

    const int width = display.screenWidth();
    const int height = display.screenHeight();
    const platform::Rect work = display.workArea();
    env.taskbarHeight = height - work.height();
    platform::Rect desktop = display.desktopRect();
    desktop.right = desktop.left + width;
    desktop.bottom = desktop.top + height;
    env.desktopRect = desktop;

    const std::vector<platform::Monitor> monitors = display.monitors();
    env.monitorCount = static_cast<int>(monitors.size());
    if (monitors.size() <= 1) {
        env.monitorCount = 1;
        settings.monitor = 1;
        env.mainMonitorRect = desktop;
    } else {
        // The centre of the primary screen, wherever that lies.
        const std::size_t main = NearestMonitor(monitors, {desktop.left + width / 2, desktop.top + height / 2});
        env.mainMonitorRect = monitors[main].monitor;
        std::size_t other = NearestMonitor(monitors, {20000, 500});
        if (other == main) other = NearestMonitor(monitors, {-20000, 500});

        if (env.mainMonitorRect.left == 0 && settings.monitor == 0) settings.monitor = 1;
        if (other != main) {
            env.otherMonitorRect = monitors[other].monitor;
            env.otherWorkRect = monitors[other].work;
            if (env.otherMonitorRect.left == 0 && settings.monitor == 0) settings.monitor = 2;
        } else {
            env.monitorCount = 1;
            settings.monitor = 1;
        }
    }
    store.write();
}

}  // namespace talvora
