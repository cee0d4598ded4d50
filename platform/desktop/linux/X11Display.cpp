#include "platform/desktop/linux/X11Display.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace platform {

namespace {

constexpr int kDefaultDpi = 96;

// The classic Windows defaults at 96 dpi: the recorder's layouts were
// designed around them and X11 has no such metrics.
struct MetricValue {
    SystemMetric metric;
    int pixels;
};
constexpr MetricValue kSystemMetrics[] = {
    {SystemMetric::EdgeWidth, 2},     {SystemMetric::FrameWidth, 4},     {SystemMetric::MenuHeight, 19},
    {SystemMetric::CaptionHeight, 23}, {SystemMetric::HScrollHeight, 17},
};

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.width() <= 0 || r.height() <= 0) return {};
    return r;
}

// The root's size and the work area, asked together on construction so that
// they cost one round trip; each answer is awaited once, when first wanted.
class RootArea {
public:
    explicit RootArea(XcbConnection& xcb)
        : xcb_(xcb),
          geometry_(xcb_get_geometry(xcb.get(), xcb.root())),
          areas_(xcb.requestProperty(xcb.root(), xcb.atom("_NET_WORKAREA"))),
          current_(xcb.requestProperty(xcb.root(), xcb.atom("_NET_CURRENT_DESKTOP"))) {}

    // As desktopRect().
    Rect desktop() {
        collect();
        return desktop_;
    }
    // _NET_WORKAREA of the current desktop; the whole screen without one.
    Rect work() {
        collect();
        return work_;
    }

private:
    void collect() {
        if (collected_) return;
        collected_ = true;
        auto root = xcb_.reply(xcb_get_geometry_reply, geometry_);
        const auto areas = XcbConnection::cardinalsOf(xcb_.reply(xcb_get_property_reply, areas_).get());
        const auto current = XcbConnection::cardinalsOf(xcb_.reply(xcb_get_property_reply, current_).get());
        if (root) desktop_ = {0, 0, root->width, root->height};
        work_ = desktop_;
        // _NET_WORKAREA holds x, y, width, height for each virtual desktop.
        if (areas.size() < 4) return;
        std::size_t first = current.empty() ? 0 : std::size_t{current.front()} * 4;
        if (first + 4 > areas.size()) first = 0;
        const auto x = static_cast<int>(areas[first]);
        const auto y = static_cast<int>(areas[first + 1]);
        work_ = {x, y, x + static_cast<int>(areas[first + 2]), y + static_cast<int>(areas[first + 3])};
    }

    XcbConnection& xcb_;
    xcb_get_geometry_cookie_t geometry_;
    xcb_get_property_cookie_t areas_;
    xcb_get_property_cookie_t current_;
    bool collected_ = false;
    Rect desktop_;
    Rect work_;
};

}  // namespace

X11Display::X11Display() {
    if (!xcb_.ok()) return;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(xcb_.get(), &xcb_randr_id);
    if (!randr || !randr->present) return;
    // The client must announce its RandR version before the monitor request.
    auto version = xcb_.reply(xcb_randr_query_version_reply, xcb_randr_query_version(xcb_.get(), 1, 5));
    hasMonitors_ = version && (version->major_version > 1 || version->minor_version >= 5);
}

int X11Display::screenWidth() { return desktopRect().width(); }

int X11Display::screenHeight() { return desktopRect().height(); }

Rect X11Display::desktopRect() {
    std::optional<xcb_randr_get_monitors_cookie_t> monitorsCookie;
    if (hasMonitors_) monitorsCookie = xcb_randr_get_monitors(xcb_.get(), xcb_.root(), 1);
    // The root's current geometry, not the connection's start-up snapshot:
    // RandR may have resized the screen since.
    auto root = xcb_.reply(xcb_get_geometry_reply, xcb_get_geometry(xcb_.get(), xcb_.root()));
    if (monitorsCookie) {
        auto list = xcb_.reply(xcb_randr_get_monitors_reply, *monitorsCookie);
        if (const std::optional<Rect> primary = primaryMonitor(list.get())) return *primary;
    }
    if (!root) return {};
    return {0, 0, root->width, root->height};
}

std::optional<Rect> X11Display::primaryMonitor(const xcb_randr_get_monitors_reply_t* list) {
    if (list == nullptr) return std::nullopt;
    std::optional<Rect> atOrigin;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(list); it.rem > 0; xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        const Rect rect{m->x, m->y, m->x + m->width, m->y + m->height};
        if (m->primary) return rect;
        if (m->x == 0 && m->y == 0 && !atOrigin) atOrigin = rect;
    }
    return atOrigin;
}

Rect X11Display::workArea() { return RootArea(xcb_).work(); }

std::vector<Monitor> X11Display::monitors() {
    // Both asked before either answer is awaited: one round trip.
    RootArea root(xcb_);
    std::optional<xcb_randr_get_monitors_cookie_t> monitorsCookie;
    if (hasMonitors_) monitorsCookie = xcb_randr_get_monitors(xcb_.get(), xcb_.root(), 1);
    const Rect work = root.work();
    std::vector<Monitor> result;
    if (monitorsCookie) {
        for (const Rect& monitor : randrMonitors(*monitorsCookie)) {
            // A monitor the work area misses entirely keeps its whole rectangle.
            const Rect part = intersect(monitor, work);
            result.push_back({monitor, part.width() > 0 ? part : monitor});
        }
    }
    if (result.empty()) result.push_back({root.desktop(), work});
    return result;
}

std::vector<Rect> X11Display::randrMonitors(xcb_randr_get_monitors_cookie_t cookie) {
    auto list = xcb_.reply(xcb_randr_get_monitors_reply, cookie);
    if (!list) return {};
    std::vector<Rect> rects;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(list.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        rects.push_back({m->x, m->y, m->x + m->width, m->y + m->height});
    }
    return rects;
}

int X11Display::verticalDpi() {
    const xcb_screen_t* screen = xcb_.screen();
    if (!screen || screen->height_in_millimeters == 0) return kDefaultDpi;
    return static_cast<int>(std::lround(screen->height_in_pixels * 25.4 / screen->height_in_millimeters));
}

int X11Display::systemMetric(SystemMetric metric) {
    for (const auto& entry : kSystemMetrics)
        if (entry.metric == metric) return entry.pixels;
    return 0;
}

}  // namespace platform
