#include "FlashWindow.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace talvora::tools {

namespace {

constexpr std::uint16_t kCorner = 16;

void setText(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type, const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, 8, static_cast<std::uint32_t>(text.size()),
                        text.data());
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

}  // namespace

FlashWindow::FlashWindow(const std::string& title, int width, int height)
    : connection_(xcb_connect(nullptr, nullptr)),
      width_(static_cast<std::uint16_t>(width)),
      height_(static_cast<std::uint16_t>(height)) {
    xcb_connection_t* c = connection_.get();
    if (xcb_connection_has_error(c) != 0) throw std::runtime_error("cannot open the display");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    window_ = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, screen->root, 40, 40, width_, height_, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    setText(c, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    setText(c, window_, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), title);
    // Undecorated, so that a grab of the window's rectangle holds nothing
    // but its levels (flags: decorations given; decorations: none).
    const std::uint32_t motifHints[] = {2, 0, 0, 0, 0};
    const xcb_atom_t motif = atom(c, "_MOTIF_WM_HINTS");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, motif, motif, 32, 5, motifHints);
    gc_ = xcb_generate_id(c);
    xcb_create_gc(c, gc_, window_, 0, nullptr);
    xcb_map_window(c, window_);
    paint(0);
}

FlashWindow::~FlashWindow() {
    xcb_free_gc(connection_.get(), gc_);
    xcb_destroy_window(connection_.get(), window_);
    xcb_flush(connection_.get());
}

void FlashWindow::fill(int level, xcb_rectangle_t area) {
    const std::uint32_t pixel = static_cast<std::uint32_t>(level) * 0x010101u;
    xcb_change_gc(connection_.get(), gc_, XCB_GC_FOREGROUND, &pixel);
    xcb_poly_fill_rectangle(connection_.get(), window_, gc_, 1, &area);
}

void FlashWindow::paint(int level) {
    level_ = level;
    fill(level, {0, 0, width_, height_});
    fill(corner_, {0, 0, kCorner, kCorner});
    // A reply comes after every request before it was carried out.
    std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
}

void FlashWindow::paintCorner(int level) {
    corner_ = level;
    fill(level, {0, 0, kCorner, kCorner});
    xcb_flush(connection_.get());
}

void FlashWindow::handleEvents() {
    bool exposed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
        exposed |= (event->response_type & 0x7f) == XCB_EXPOSE;
        std::free(event);
    }
    if (exposed) paint(level_);
    if (xcb_connection_has_error(connection_.get()) != 0) throw std::runtime_error("lost the display");
}

}  // namespace talvora::tools
