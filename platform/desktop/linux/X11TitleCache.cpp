#include "platform/desktop/linux/X11TitleCache.h"

namespace platform {

namespace {

// WM_NAME is ISO Latin-1 text (STRING); COMPOUND_TEXT without escape
// sequences is the same. Titles are handed out in UTF-8.
std::string latin1ToUtf8(const char* text, int length) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string textOf(xcb_get_property_reply_t* reply, xcb_atom_t utf8) {
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    if (reply->type == utf8) return std::string(text, static_cast<std::size_t>(length));
    return latin1ToUtf8(text, length);
}

}  // namespace

std::vector<std::string> X11TitleCache::titles(const std::vector<xcb_window_t>& windows) {
    std::lock_guard lock(mutex_);
    // The server sends events in order with its replies: once this one is
    // here, so is every event about a change made before the call.
    if (!xcb_.reply(xcb_get_input_focus_reply, xcb_get_input_focus(xcb_.get()))) {
        titles_.clear();  // a broken connection: no window can be asked about
        return std::vector<std::string>(windows.size());
    }
    dropChangedLocked();

    std::vector<xcb_window_t> unknown;
    for (xcb_window_t window : windows)
        if (window != XCB_WINDOW_NONE && !titles_.contains(window)) unknown.push_back(window);
    if (!unknown.empty()) read(unknown);

    std::vector<std::string> names;
    names.reserve(windows.size());
    for (xcb_window_t window : windows) {
        const auto it = titles_.find(window);
        names.push_back(it == titles_.end() ? std::string() : it->second);
    }
    return names;
}

void X11TitleCache::dropChanged() {
    std::lock_guard lock(mutex_);
    dropChangedLocked();
}

void X11TitleCache::dropChangedLocked() {
    const xcb_atom_t netName = xcb_.atom("_NET_WM_NAME");
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(xcb_.get())}) {
        switch (event->response_type & 0x7F) {
            case XCB_PROPERTY_NOTIFY: {
                const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
                if (changed->atom == netName || changed->atom == XCB_ATOM_WM_NAME) titles_.erase(changed->window);
                break;
            }
            case XCB_DESTROY_NOTIFY:
                // The id may come back as another client's window.
                titles_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get())->window);
                break;
            default: break;  // other structure events, errors from watching a window that just went
        }
    }
}

// Each window is watched before its title is read: a change after the read
// then always comes as an event.
void X11TitleCache::read(const std::vector<xcb_window_t>& windows) {
    const xcb_atom_t netName = xcb_.atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = xcb_.atom("UTF8_STRING");
    const std::uint32_t watched = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::vector<xcb_get_property_cookie_t> netCookies;
    std::vector<xcb_get_property_cookie_t> wmCookies;
    for (xcb_window_t window : windows) {
        xcb_change_window_attributes(xcb_.get(), window, XCB_CW_EVENT_MASK, &watched);
        netCookies.push_back(xcb_.requestProperty(window, netName, utf8));
        wmCookies.push_back(xcb_.requestProperty(window, XCB_ATOM_WM_NAME));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        auto netReply = xcb_.reply(xcb_get_property_reply, netCookies[i]);
        auto wmReply = xcb_.reply(xcb_get_property_reply, wmCookies[i]);
        if (!netReply && !wmReply) continue;  // gone: no event would tell of its successor
        std::string& title = titles_[windows[i]];
        if (netReply && netReply->type == utf8 && netReply->format == 8)
            title = textOf(netReply.get(), utf8);
        else if (wmReply && wmReply->format == 8)
            title = textOf(wmReply.get(), utf8);
        else
            title.clear();
    }
}

}  // namespace platform
