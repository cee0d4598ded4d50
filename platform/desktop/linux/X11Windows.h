#pragma once

#include <string>
#include <vector>

#include "platform/desktop/Windows.h"
#include "platform/desktop/linux/X11TitleCache.h"
#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

// Top-level windows of the X11 desktop, on a connection of its own.
//
// Top-level windows are the children of the root, so that windows the window
// manager does not manage (never shown, withdrawn, override-redirect) are
// found as well as its clients. Under a reparenting window manager the window
// that counts is the client inside the frame (the one carrying WM_STATE),
// never the frame; the clients keep the window manager's stacking order
// (_NET_CLIENT_LIST_STACKING), which also names them, so that the windows a
// frame is built of are never looked at.
//
// Created by main(); called from the UI thread and from workers at the same
// time (every call is a few requests on the thread-safe connection). Windows
// may vanish in the middle of any call: they then read as gone.
class X11Windows : public Windows {
public:
    X11Windows() = default;

    WindowId find(const std::string& title) override;
    // Topmost first in the server's stacking order; the windows that are not
    // on screen (minimised, never shown) after all that are.
    std::vector<WindowId> topLevel() override;
    std::string title(WindowId window) override;
    bool exists(WindowId window) override;
    // Mapped with all its ancestors (viewable) and not minimised.
    bool isVisible(WindowId window) override;
    // WM_STATE Iconic or _NET_WM_STATE_HIDDEN.
    bool isMinimized(WindowId window) override;
    // Geometry in root coordinates widened by the border and _NET_FRAME_EXTENTS.
    Rect rect(WindowId window) override;
    // _NET_WM_NAME (UTF-8) when the window has it, else WM_NAME; read once
    // per window and again only after it changed (see X11TitleCache).
    std::vector<std::string> titles(const std::vector<WindowId>& windows) override;
    // WS_EX_NOREDIRECTIONBITMAP: an InputOnly window (no pixels of its own to
    // capture); WS_EX_TOPMOST: _NET_WM_STATE_ABOVE; WS_EX_LAYERED: it carries
    // _NET_WM_WINDOW_OPACITY. No other bit has an X11 counterpart.
    std::uint32_t extendedStyle(WindowId window) override;
    // Maps it (an iconic window becomes normal), asks the window manager to
    // drop _NET_WM_STATE_ABOVE and _HIDDEN, and raises it: a window manager
    // keeps raised windows below the ones that stay above.
    void restoreBelowTopmost(WindowId window) override;

private:
    struct State {
        bool exists = false;
        bool viewable = false;
        bool minimized = false;
    };
    State state(xcb_window_t window);
    std::vector<bool> onScreen(const std::vector<xcb_window_t>& windows);
    // The top-level windows topmost first, shown or not.
    std::vector<xcb_window_t> stacked();
    std::vector<xcb_window_t> framesOf(const std::vector<xcb_window_t>& clients,
                                       const std::vector<xcb_window_t>& rootChildren);
    std::vector<xcb_window_t> clientsOf(const std::vector<xcb_window_t>& rootChildren);

    XcbConnection xcb_;
    X11TitleCache titleCache_{xcb_};
};

}  // namespace platform
