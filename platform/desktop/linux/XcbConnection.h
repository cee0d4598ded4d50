#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// xcb hands out replies allocated with malloc.
struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// One connection to the X server named by $DISPLAY, its default screen and a
// cache of interned atoms. Every X11 backend owns one. xcb itself is thread
// safe and the cache is locked, so any thread may use it; a connection that
// failed or broke answers every request with a null reply.
class XcbConnection {
public:
    XcbConnection();

    bool ok() const;
    xcb_connection_t* get() const { return connection_.get(); }
    // The default screen, null when the connection failed.
    const xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_ ? screen_->root : xcb_window_t{XCB_WINDOW_NONE}; }

    // The atom of this name, created when new; 0 on failure.
    xcb_atom_t atom(const std::string& name);

    // Waits for the reply of a request made with a checked cookie, e.g.
    // reply(xcb_get_geometry_reply, xcb_get_geometry(c, w)). An X error
    // (a window that vanished) gives a null reply and is discarded.
    template <typename ReplyFn, typename Cookie>
    auto reply(ReplyFn replyFn, Cookie cookie) const {
        using T = std::remove_pointer_t<decltype(replyFn(nullptr, cookie, nullptr))>;
        return XcbReply<T>(replyFn(get(), cookie, nullptr));
    }
    // The replies of a batch of requests sent together, in the same order:
    // the whole batch costs one round trip.
    template <typename ReplyFn, typename Cookie>
    auto replies(ReplyFn replyFn, const std::vector<Cookie>& cookies) const {
        std::vector<decltype(reply(replyFn, std::declval<Cookie>()))> out;
        out.reserve(cookies.size());
        for (const Cookie& cookie : cookies) out.push_back(reply(replyFn, cookie));
        return out;
    }

    // Starts reading a property; the reply comes through reply(xcb_get_property_reply, ...).
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property,
                                              xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY) const;
    // The property as 32-bit items (CARDINAL, WINDOW, ATOM); empty when absent.
    std::vector<std::uint32_t> cardinals(xcb_window_t window, xcb_atom_t property) const;

    // The 32-bit items of a property reply; empty for a null reply or another format.
    static std::vector<std::uint32_t> cardinalsOf(const xcb_get_property_reply_t* reply);

private:
    struct Disconnect {
        void operator()(xcb_connection_t* c) const noexcept { xcb_disconnect(c); }
    };
    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    const xcb_screen_t* screen_ = nullptr;

    std::mutex atomsMutex_;
    std::unordered_map<std::string, xcb_atom_t> atoms_;
};

}  // namespace platform
