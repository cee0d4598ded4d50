#include "platform/desktop/linux/X11Session.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

std::optional<std::string> x11SessionProblem(const std::string& program) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return program + " needs an X11 desktop session, but DISPLAY is not set.";
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);  // also frees a connection in error
    if (ok) return std::nullopt;
    return program + " needs an X11 desktop session, but the X display \"" + display + "\" cannot be opened.";
}

}  // namespace platform
