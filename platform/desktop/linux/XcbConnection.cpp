#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

namespace {
// Longest property read, in 32-bit units: titles and window lists stay far below.
constexpr std::uint32_t kMaxPropertyLength = 1u << 16;
}  // namespace

XcbConnection::XcbConnection() {
    int screenNumber = 0;
    connection_.reset(xcb_connect(nullptr, &screenNumber));
    if (!ok()) return;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(get()));
    for (int i = 0; it.rem > 0 && i < screenNumber; ++i) xcb_screen_next(&it);
    if (it.rem > 0) screen_ = it.data;
}

bool XcbConnection::ok() const {
    return connection_ && xcb_connection_has_error(connection_.get()) == 0;
}

xcb_atom_t XcbConnection::atom(const std::string& name) {
    std::lock_guard lock(atomsMutex_);
    if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
    auto interned = reply(xcb_intern_atom_reply,
                          xcb_intern_atom(get(), 0, static_cast<std::uint16_t>(name.size()), name.data()));
    if (!interned) return XCB_ATOM_NONE;
    atoms_.emplace(name, interned->atom);
    return interned->atom;
}

xcb_get_property_cookie_t XcbConnection::requestProperty(xcb_window_t window, xcb_atom_t property,
                                                         xcb_atom_t type) const {
    return xcb_get_property(get(), 0, window, property, type, 0, kMaxPropertyLength);
}

std::vector<std::uint32_t> XcbConnection::cardinals(xcb_window_t window, xcb_atom_t property) const {
    auto value = reply(xcb_get_property_reply, requestProperty(window, property));
    return cardinalsOf(value.get());
}

std::vector<std::uint32_t> XcbConnection::cardinalsOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32) return {};
    // xcb_get_property_reply_t is const-incorrect in its accessors.
    auto* mutableReply = const_cast<xcb_get_property_reply_t*>(reply);
    const auto* items = static_cast<const std::uint32_t*>(xcb_get_property_value(mutableReply));
    return {items, items + xcb_get_property_value_length(mutableReply) / 4};
}

}  // namespace platform
