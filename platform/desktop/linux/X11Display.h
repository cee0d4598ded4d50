#pragma once

#include <xcb/randr.h>

#include <optional>
#include <vector>

#include "platform/desktop/Display.h"
#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

// Screen, monitors and work area of the X11 desktop, on a connection of its
// own. Every call asks the server afresh, so monitor changes show at once.
//
// Created by main(); called from the UI thread (start-up and the monitor
// dialogs) and from the motion-search worker.
class X11Display : public Display {
public:
    X11Display();

    // The primary screen's size (see desktopRect).
    int screenWidth() override;
    int screenHeight() override;
    // The primary screen: the RandR monitor of the primary output, else the
    // monitor at the origin; the whole root window without either (or
    // without RandR 1.5). With several monitors the X screen spans them all,
    // while the system means one monitor by its primary screen.
    Rect desktopRect() override;
    // _NET_WORKAREA of the current desktop; the whole screen without one.
    Rect workArea() override;
    // RandR 1.5 active monitors in the server's order, each with its part of
    // the work area; the whole screen as one monitor without RandR 1.5.
    std::vector<Monitor> monitors() override;
    // From the screen's height in millimetres; 96 when the server gives none.
    int verticalDpi() override;
    int systemMetric(SystemMetric metric) override;

private:
    std::vector<Rect> randrMonitors(xcb_randr_get_monitors_cookie_t cookie);
    static std::optional<Rect> primaryMonitor(const xcb_randr_get_monitors_reply_t* list);

    XcbConnection xcb_;
    bool hasMonitors_ = false;  // RandR 1.5 or later
};

}  // namespace platform
