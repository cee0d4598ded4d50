#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

// Window titles, read once per window and kept until the server says they
// changed. Reading the titles of every top-level window each second costs two
// requests per window; a window whose title was read is watched instead
// (PropertyNotify for its title properties, DestroyNotify for its end), and
// only new or changed windows are asked about.
//
// Reads the events of the connection it is given, which nothing else may
// read. Any thread; calls are serialised.
class X11TitleCache {
public:
    explicit X11TitleCache(XcbConnection& xcb) : xcb_(xcb) {}

    // _NET_WM_NAME (UTF-8) when the window has it, else WM_NAME; empty when
    // the window has neither or is gone. Every change the server made before
    // the call is seen (one round trip when nothing changed).
    std::vector<std::string> titles(const std::vector<xcb_window_t>& windows);

    // Forgets what the events received so far report as changed or gone.
    // Replies bring the events in with them: whoever lists the windows calls
    // this too, so that the events do not pile up between title reads.
    void dropChanged();

private:
    void dropChangedLocked();
    // Watches the windows and reads their titles in one round trip; windows
    // that are gone are not kept.
    void read(const std::vector<xcb_window_t>& windows);

    XcbConnection& xcb_;
    std::mutex mutex_;
    std::unordered_map<xcb_window_t, std::string> titles_;
};

}  // namespace platform
