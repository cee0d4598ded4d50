#include "ui/MonitorChoice.h"

#include <cmath>
#include <limits>

#include "app/AppContext.h"
#include "platform/core/Format.h"

namespace talvora {

namespace {

constexpr int kFullPercent = 100;
constexpr int kInset = 100;
constexpr int kChosenWidth = 500;
constexpr int kChosenHeight = 400;

std::string resolutionText(int width, int height, int scale) {
    return platform::format("resolution: %dx%d scale: %d%s", width, height, scale, "%");
}

// A percent from odd launcher values may not fit an int.
int truncatedPercent(double value) {
    if (!std::isfinite(value) || value >= std::numeric_limits<int>::max() ||
        value <= std::numeric_limits<int>::min())
        return kFullPercent;
    return static_cast<int>(value);
}

}  // namespace

MonitorTexts ComputeMonitorTexts(const AppContext& ctx, int primaryWidth, int primaryHeight) {
    const Environment& env = ctx.environment;
    const Settings& s = ctx.settings;
    MonitorTexts texts;
    if (env.monitorCount < 2) {
        texts.first = resolutionText(ctx.switches.x1, ctx.switches.y1, ctx.scales.mainScale);
        return texts;
    }
    texts.first = resolutionText(primaryWidth, primaryHeight, ctx.scales.mainScale);
    texts.second = resolutionText(env.otherMonitorRect.width(), env.otherMonitorRect.height(),
                                  truncatedPercent(ctx.scales.secondScale));
    texts.backgroundScale = s.scale != 0 ? s.scale : kFullPercent;
    if (s.monitor != 1 && s.hideWindow != 0) {
        const int main = ctx.scales.mainScale != 0 ? ctx.scales.mainScale : kFullPercent;
        texts.backgroundScale = truncatedPercent(ctx.scales.secondScale * kFullPercent / main);
    }
    return texts;
}

int MainDisplayNumber(const AppContext& ctx) {
    const Environment& env = ctx.environment;
    return env.monitorCount < 2 || env.otherMonitorRect.left != 0 ? 1 : 2;
}

void MoveCaptureRectToMonitor(AppContext& ctx) {
    Settings& s = ctx.settings;
    const Environment& env = ctx.environment;
    const bool second = s.monitor == 2 && env.monitorCount >= 2;
    const platform::Rect monitor = second ? env.otherMonitorRect : env.mainMonitorRect;
    if (s.fullScreen != 0) {
        s.fullScreen = second ? 2 : 1;
        s.xTop = monitor.left;
        s.yTop = monitor.top;
        s.xBottom = monitor.right;
        s.yBottom = monitor.bottom;
        return;
    }
    s.xTop = monitor.left + kInset;
    s.yTop = monitor.top + kInset;
    s.xBottom = s.xTop + kChosenWidth;
    s.yBottom = s.yTop + kChosenHeight;
}

void ResetMarkerRect(AppContext& ctx) {
    Settings& s = ctx.settings;
    s.fullScreen = 0;
    s.xTop = 200;
    s.yTop = 200;
    s.xBottom = 800;
    s.yBottom = 600;
}

}  // namespace talvora
