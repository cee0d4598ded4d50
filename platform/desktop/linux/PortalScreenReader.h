#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"

namespace platform {

class PipeWireScreenStream;
class X11ScreenReader;

// What one consent of the desktop gives its readers: the monitor's stream
// and what the portal says of the monitor (see locateSharedMonitor), or a
// window's stream, which lies nowhere in the X root.
// `closed` is set on the UI thread when the desktop ends the session.
struct PortalGrant {
    std::shared_ptr<PipeWireScreenStream> stream;
    Point position;
    int width = 0;  // the portal's size of the stream; 0 when it gives none
    int height = 0;
    ScreenChoice asked = ScreenChoice::Monitor;  // a desktop without windows to share gives a monitor
    bool window = false;
    std::string title;  // of the shared window, as the desktop gives it
    std::atomic<bool> closed{false};

    // None while pictures come; EndedByDesktop once the desktop stopped
    // sharing, ReadFailed when the stream broke, NoPipeWire when the remote
    // led to no PipeWire server.
    ScreenError state() const;
    std::string error() const;
};

// A run's reader of the portal's stream: each read takes the newest picture
// the desktop sent, cropped to the area, so that a run keeps its rate when
// the desktop sends fewer (it sends only when the screen changes). Before the
// first picture the frame is black. A monitor's stream holds the whole
// monitor, with the pointer if the desktop was asked for it; XWayland's root
// is the compositor's layout, so an area of the root is found in the stream
// where the monitor lies there, located at a run's first picture, and
// scaled with the monitor's scale (the pictures' size over the monitor's
// size in the root, as the pictures come now). A window's own
// contents come from XWayland, which serves an X11 window's pixels by its id,
// covered or not, as the X server does on X11; the stream's crop where it
// cannot. A shared window's stream changes size with the window, while a
// run's frame keeps its size: the window is scaled into the frame whole.
class PortalScreenReader : public ScreenReader {
public:
    // Without a grant the reader fails from the start with `code` and `why`.
    PortalScreenReader(std::shared_ptr<const PortalGrant> grant, ScreenError code, std::string why);
    ~PortalScreenReader() override;

    bool read(const ScreenArea& area, ImageView frame) override;
    ScreenError errorCode() const override { return code_; }
    std::string error() const override { return error_; }

private:
    // Where the shared monitor lies in the root; none before the first picture.
    std::optional<Rect> locateMonitor() const;

    std::shared_ptr<const PortalGrant> grant_;
    ScreenError code_;
    std::string error_;
    std::vector<std::uint8_t> scaled_;
    std::optional<Rect> monitor_;  // in the root; located at the first picture
    std::unique_ptr<X11ScreenReader> windows_;  // opened at the first window-contents read
};

}  // namespace platform
