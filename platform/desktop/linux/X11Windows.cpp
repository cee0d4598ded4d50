#include "platform/desktop/linux/X11Windows.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <unordered_set>

namespace platform {

namespace {

// How many levels a root child and the client it holds span at most: the
// window manager puts a client one or two levels below the frame.
constexpr int kClientSearchDepth = 3;
constexpr std::uint32_t kIconicState = 3;  // ICCCM WM_STATE

// The windows in order, each only where it comes first.
std::vector<xcb_window_t> withoutRepeats(std::vector<xcb_window_t> windows) {
    std::unordered_set<xcb_window_t> seen;
    std::erase_if(windows, [&](xcb_window_t window) { return !seen.insert(window).second; });
    return windows;
}

}  // namespace

// Only the windows of that title are asked whether they are on screen: the
// first shown one wins, else the first of them.
WindowId X11Windows::find(const std::string& wanted) {
    const auto windows = stacked();
    const auto names = titles(windows);
    std::vector<xcb_window_t> matches;
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (names[i] == wanted) matches.push_back(windows[i]);
    if (matches.size() < 2) return matches.empty() ? 0 : matches.front();
    const std::vector<bool> shown = onScreen(matches);
    for (std::size_t i = 0; i < matches.size(); ++i)
        if (shown[i]) return matches[i];
    return matches.front();
}

// Windows not on screen (minimised, never shown) come after all that are,
// each group in stacking order.
std::vector<WindowId> X11Windows::topLevel() {
    const std::vector<xcb_window_t> windows = stacked();
    const std::vector<bool> shown = onScreen(windows);
    std::vector<WindowId> ordered;
    std::vector<WindowId> hidden;
    for (std::size_t i = 0; i < windows.size(); ++i) (shown[i] ? ordered : hidden).push_back(windows[i]);
    ordered.insert(ordered.end(), hidden.begin(), hidden.end());
    return ordered;
}

std::string X11Windows::title(WindowId window) {
    if (window == 0) return {};
    return titles({window}).front();
}

bool X11Windows::exists(WindowId window) { return state(window).exists; }

bool X11Windows::isVisible(WindowId window) {
    const State s = state(window);
    return s.viewable && !s.minimized;
}

bool X11Windows::isMinimized(WindowId window) { return state(window).minimized; }

Rect X11Windows::rect(WindowId window) {
    if (window == 0) return {};
    xcb_connection_t* c = xcb_.get();
    auto geometryCookie = xcb_get_geometry(c, window);
    auto originCookie = xcb_translate_coordinates(c, window, xcb_.root(), 0, 0);
    auto extentsCookie = xcb_.requestProperty(window, xcb_.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    auto geometry = xcb_.reply(xcb_get_geometry_reply, geometryCookie);
    auto origin = xcb_.reply(xcb_translate_coordinates_reply, originCookie);
    auto extents = xcb_.reply(xcb_get_property_reply, extentsCookie);
    if (!geometry || !origin) return {};

    // The origin is inside the window's own border; the rectangle includes it.
    const int border = geometry->border_width;
    Rect r{origin->dst_x - border, origin->dst_y - border, origin->dst_x + geometry->width + border,
           origin->dst_y + geometry->height + border};
    // _NET_FRAME_EXTENTS: left, right, top, bottom of the window manager's frame.
    const auto frame = XcbConnection::cardinalsOf(extents.get());
    if (frame.size() >= 4) {
        r.left -= static_cast<int>(frame[0]);
        r.right += static_cast<int>(frame[1]);
        r.top -= static_cast<int>(frame[2]);
        r.bottom += static_cast<int>(frame[3]);
    }
    return r;
}

std::uint32_t X11Windows::extendedStyle(WindowId window) {
    if (window == 0) return 0;
    const xcb_atom_t above = xcb_.atom("_NET_WM_STATE_ABOVE");
    auto attributesCookie = xcb_get_window_attributes(xcb_.get(), window);
    auto stateCookie = xcb_.requestProperty(window, xcb_.atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    auto opacityCookie = xcb_.requestProperty(window, xcb_.atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL);
    auto attributes = xcb_.reply(xcb_get_window_attributes_reply, attributesCookie);
    auto stateReply = xcb_.reply(xcb_get_property_reply, stateCookie);
    auto opacityReply = xcb_.reply(xcb_get_property_reply, opacityCookie);
    if (!attributes) return 0;

    const auto states = XcbConnection::cardinalsOf(stateReply.get());
    std::uint32_t style = 0;
    if (attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY) style |= WS_EX_NOREDIRECTIONBITMAP;
    if (std::find(states.begin(), states.end(), above) != states.end()) style |= WS_EX_TOPMOST;
    if (!XcbConnection::cardinalsOf(opacityReply.get()).empty()) style |= WS_EX_LAYERED;
    return style;
}

X11Windows::State X11Windows::state(xcb_window_t window) {
    if (window == 0) return {};
    const xcb_atom_t wmState = xcb_.atom("WM_STATE");
    const xcb_atom_t netState = xcb_.atom("_NET_WM_STATE");
    const xcb_atom_t hidden = xcb_.atom("_NET_WM_STATE_HIDDEN");
    auto attributesCookie = xcb_get_window_attributes(xcb_.get(), window);
    auto wmStateCookie = xcb_.requestProperty(window, wmState, wmState);
    auto netStateCookie = xcb_.requestProperty(window, netState, XCB_ATOM_ATOM);
    auto attributes = xcb_.reply(xcb_get_window_attributes_reply, attributesCookie);
    auto wmStateReply = xcb_.reply(xcb_get_property_reply, wmStateCookie);
    auto netStateReply = xcb_.reply(xcb_get_property_reply, netStateCookie);
    if (!attributes) return {};

    const auto iconic = XcbConnection::cardinalsOf(wmStateReply.get());
    const auto states = XcbConnection::cardinalsOf(netStateReply.get());
    State s;
    s.exists = true;
    s.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    s.minimized = (!iconic.empty() && iconic.front() == kIconicState) ||
                  std::find(states.begin(), states.end(), hidden) != states.end();
    return s;
}

std::vector<bool> X11Windows::onScreen(const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (xcb_window_t window : windows) cookies.push_back(xcb_get_window_attributes(xcb_.get(), window));
    std::vector<bool> result;
    for (const auto& cookie : cookies) {
        auto attributes = xcb_.reply(xcb_get_window_attributes_reply, cookie);
        result.push_back(attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE);
    }
    return result;
}

// The server's stacking order of the root's children is the truth about what
// lies on top, also for windows the window manager leaves alone (menus,
// tooltips, overlays). Frames stand for their clients, and among the clients
// the window manager's own stacking list has the last word; clients it lists
// that are not below the root (virtual roots) follow.
//
// A live window manager lists every client it manages, so the other root
// children hold none and stand for themselves (never shown or withdrawn
// windows, override-redirect ones, the manager's own). The frames are found
// upwards from the clients, one round trip per level: searching downwards
// would ask about each of the dozens of windows a frame is built of. Without a
// window manager (or with a stale list left by one that died) the root's
// children are searched downwards instead.
std::vector<xcb_window_t> X11Windows::stacked() {
    const xcb_atom_t check = xcb_.atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t stacking = xcb_.atom("_NET_CLIENT_LIST_STACKING");
    auto treeCookie = xcb_query_tree(xcb_.get(), xcb_.root());
    auto checkCookie = xcb_.requestProperty(xcb_.root(), check);
    auto stackingCookie = xcb_.requestProperty(xcb_.root(), stacking);
    auto tree = xcb_.reply(xcb_query_tree_reply, treeCookie);
    auto checkReply = xcb_.reply(xcb_get_property_reply, checkCookie);
    auto stackingReply = xcb_.reply(xcb_get_property_reply, stackingCookie);
    titleCache_.dropChanged();
    if (!tree) return {};

    const xcb_window_t* bottom = xcb_query_tree_children(tree.get());
    const xcb_window_t* top = bottom + xcb_query_tree_children_length(tree.get());
    const std::vector<xcb_window_t> rootChildren(std::make_reverse_iterator(top), std::make_reverse_iterator(bottom));
    const auto wmWindow = XcbConnection::cardinalsOf(checkReply.get());
    const auto bottomUp = XcbConnection::cardinalsOf(stackingReply.get());
    if (wmWindow.empty() || bottomUp.empty()) return withoutRepeats(clientsOf(rootChildren));

    // Whether the window manager lives is asked in the round trip of the
    // frame search's first level.
    const std::vector<xcb_window_t> managed(bottomUp.rbegin(), bottomUp.rend());
    auto aliveCookie = xcb_.requestProperty(wmWindow.front(), check);
    const std::vector<xcb_window_t> frames = framesOf(managed, rootChildren);
    auto alive = xcb_.reply(xcb_get_property_reply, aliveCookie);
    if (XcbConnection::cardinalsOf(alive.get()) != wmWindow) return withoutRepeats(clientsOf(rootChildren));

    const std::unordered_set<xcb_window_t> isFrame(frames.begin(), frames.end());
    std::vector<xcb_window_t> windows;
    auto nextManaged = managed.begin();
    for (xcb_window_t child : rootChildren) {
        if (!isFrame.contains(child)) windows.push_back(child);
        else if (nextManaged != managed.end()) windows.push_back(*nextManaged++);
    }
    windows.insert(windows.end(), nextManaged, managed.end());
    return withoutRepeats(std::move(windows));
}

// For each client the root child that holds it: its frame, or the client
// itself under a window manager that does not reparent; none when it is gone
// or lies deeper than frames go.
std::vector<xcb_window_t> X11Windows::framesOf(const std::vector<xcb_window_t>& clients,
                                               const std::vector<xcb_window_t>& rootChildren) {
    const std::unordered_set<xcb_window_t> isRootChild(rootChildren.begin(), rootChildren.end());
    std::vector<xcb_window_t> frames(clients.size(), XCB_WINDOW_NONE);
    std::vector<xcb_window_t> ancestor = clients;
    std::vector<std::size_t> pending(clients.size());
    std::iota(pending.begin(), pending.end(), std::size_t{0});

    for (int depth = 0; depth < kClientSearchDepth && !pending.empty(); ++depth) {
        std::vector<std::size_t> searched;
        for (std::size_t i : pending) {
            if (isRootChild.contains(ancestor[i])) frames[i] = ancestor[i];
            else searched.push_back(i);
        }
        if (depth + 1 == kClientSearchDepth) break;

        std::vector<xcb_query_tree_cookie_t> cookies;
        for (std::size_t i : searched) cookies.push_back(xcb_query_tree(xcb_.get(), ancestor[i]));
        const auto trees = xcb_.replies(xcb_query_tree_reply, cookies);
        pending.clear();
        for (std::size_t k = 0; k < searched.size(); ++k) {
            // A parent that is the root: a root child newer than our list of them.
            if (!trees[k] || trees[k]->parent == xcb_.root()) continue;
            ancestor[searched[k]] = trees[k]->parent;
            pending.push_back(searched[k]);
        }
    }
    return frames;
}

// For each root child the window inside it that carries WM_STATE (the client
// of a frame), else the child itself. Searched level by level so that each
// level costs one round trip however many windows there are, though every
// window of every frame is asked about.
std::vector<xcb_window_t> X11Windows::clientsOf(const std::vector<xcb_window_t>& rootChildren) {
    struct Candidate {
        std::size_t top;  // index into rootChildren
        xcb_window_t window;
    };
    const xcb_atom_t wmState = xcb_.atom("WM_STATE");
    xcb_connection_t* c = xcb_.get();
    std::vector<xcb_window_t> clients(rootChildren.size(), XCB_WINDOW_NONE);
    std::vector<Candidate> level;
    for (std::size_t i = 0; i < rootChildren.size(); ++i) level.push_back({i, rootChildren[i]});

    for (int depth = 0; depth < kClientSearchDepth && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> stateCookies;
        for (const auto& candidate : level)
            stateCookies.push_back(xcb_get_property(c, 0, candidate.window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
        for (std::size_t k = 0; k < level.size(); ++k) {
            auto found = xcb_.reply(xcb_get_property_reply, stateCookies[k]);
            if (found && found->type != XCB_ATOM_NONE && clients[level[k].top] == XCB_WINDOW_NONE)
                clients[level[k].top] = level[k].window;
        }
        if (depth + 1 == kClientSearchDepth) break;

        std::vector<Candidate> parents;
        std::vector<xcb_query_tree_cookie_t> treeCookies;
        for (const auto& candidate : level) {
            if (clients[candidate.top] != XCB_WINDOW_NONE) continue;
            parents.push_back(candidate);
            treeCookies.push_back(xcb_query_tree(c, candidate.window));
        }
        level.clear();
        for (std::size_t k = 0; k < parents.size(); ++k) {
            auto tree = xcb_.reply(xcb_query_tree_reply, treeCookies[k]);
            if (!tree) continue;
            const xcb_window_t* child = xcb_query_tree_children(tree.get());
            for (int n = 0; n < xcb_query_tree_children_length(tree.get()); ++n)
                level.push_back({parents[k].top, child[n]});
        }
    }

    for (std::size_t i = 0; i < clients.size(); ++i)
        if (clients[i] == XCB_WINDOW_NONE) clients[i] = rootChildren[i];
    return clients;
}

std::vector<std::string> X11Windows::titles(const std::vector<WindowId>& windows) {
    return titleCache_.titles(windows);
}

void X11Windows::restoreBelowTopmost(WindowId window) {
    if (window == 0 || !xcb_.ok()) return;
    xcb_connection_t* c = xcb_.get();
    xcb_map_window(c, window);
    constexpr std::uint32_t kRemove = 0;
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_HIDDEN"}) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = xcb_.atom("_NET_WM_STATE");
        event.data.data32[0] = kRemove;
        event.data.data32[1] = xcb_.atom(state);
        event.data.data32[3] = 2;  // from a pager-like tool: do as asked
        xcb_send_event(c, 0, xcb_.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
}

}  // namespace platform
