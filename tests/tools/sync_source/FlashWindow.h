#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <string>

namespace talvora::tools {

// A top-level X11 window of one grey level, with a small square in a corner
// that can change on its own (so that every grab differs from the last).
class FlashWindow {
public:
    // Throws std::runtime_error without a display.
    FlashWindow(const std::string& title, int width, int height);
    ~FlashWindow();
    FlashWindow(const FlashWindow&) = delete;
    FlashWindow& operator=(const FlashWindow&) = delete;

    // Paints the window at `level` (0 black, 255 white) and returns once the
    // X server has done it, so that any later grab sees it.
    void paint(int level);
    // Paints the corner square at `level` (not waited for).
    void paintCorner(int level);
    // Handles what the X server sent (exposures paint again).
    void handleEvents();

private:
    struct ConnectionDeleter {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };
    void fill(int level, xcb_rectangle_t area);

    std::unique_ptr<xcb_connection_t, ConnectionDeleter> connection_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::uint16_t width_, height_;
    int level_ = 0;
    int corner_ = 0;
};

}  // namespace talvora::tools
