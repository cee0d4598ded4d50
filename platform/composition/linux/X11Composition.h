#pragma once

#include <string>
#include <vector>

#include "platform/composition/Composition.h"
#include "platform/composition/CompositorSwitch.h"
#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

class DiagnosticLog;

// Compositing on the X11 screen of $DISPLAY. "On" means some client owns
// `_NET_WM_CM_S<screen>`. Switching off goes through the documented switch of
// the running compositor, found by the window manager's name:
//   KWin   - D-Bus org.kde.KWin /Compositor suspend / resume
//   Xfwm4  - xfconf property xfwm4 /general/use_compositing
//   Marco  - GSettings org.mate.Marco.general compositing-manager
// Others (picom, compton, xcompmgr, Mutter, Muffin, Compiz) offer no such
// switch: they are left alone. The xfconf and GSettings switches persist;
// while they are off $XDG_STATE_HOME/talvora/compositing-off names the
// compositor. UI thread.
class X11Composition : public Composition {
public:
    explicit X11Composition(DiagnosticLog& log);
    ~X11Composition() override;
    X11Composition(const X11Composition&) = delete;
    X11Composition& operator=(const X11Composition&) = delete;

    bool isEnabled() override;
    bool disable() override;
    void restore() override;
    void giveBackLeftover() override;

    // The window manager's own name (_NET_WM_NAME of its check window), or
    // the compositor's when that is all there is; empty when unknown.
    std::string compositorName();

private:
    int screenNumber() const;
    std::string windowName(xcb_window_t window);

    XcbConnection xcb_;
    DiagnosticLog& log_;
    CompositorSwitch switch_;
    bool taken_ = false;
};

// What a program killed while it held compositing off left noted, given back
// without a connection to the display.
void GiveBackLeftoverCompositing();

}  // namespace platform
