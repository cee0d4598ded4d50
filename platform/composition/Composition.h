#pragma once

namespace platform {

// Desktop compositing. On X11 compositing is on while some client owns the
// compositing-manager selection `_NET_WM_CM_S<screen>`. Switching it off is
// only possible where the running compositor offers a documented way; the
// backend says which. Used on the UI thread of one program.
class Composition {
public:
    virtual ~Composition() = default;

    // True while a compositing manager runs on this screen.
    virtual bool isEnabled() = 0;
    // Switches compositing off until restore() or the end of this object.
    // Where the compositor offers no way to do that, compositing is left
    // alone, one diagnostic line says so, and the result is false.
    virtual bool disable() = 0;
    // Gives back what disable() took; harmless when nothing was taken.
    virtual void restore() = 0;
    // Gives back what a program of this user switched off through a setting
    // that outlives it and could not give back (killed, crashed). Only while
    // no such program runs.
    virtual void giveBackLeftover() = 0;
};

}  // namespace platform
