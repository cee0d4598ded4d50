#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"

namespace platform {

class PipeWireScreenStream;
class X11ScreenReader;

// What one consent of the desktop gives its readers: the monitor's stream
// and where the monitor lies in the X root's coordinates (XWayland's root is
// the compositor's layout). `closed` is set on the UI thread when the desktop
// ends the session.
struct PortalGrant {
    std::shared_ptr<PipeWireScreenStream> stream;
    Point position;
    std::atomic<bool> closed{false};

    // None while pictures come; EndedByDesktop once the desktop stopped
    // sharing, ReadFailed when the stream broke.
    ScreenError state() const;
    std::string error() const;
};

// A run's reader of the portal's stream: each read takes the newest picture
// the desktop sent, cropped to the area, so that a run keeps its rate when
// the desktop sends fewer (it sends only when the screen changes). Before the
// first picture the frame is black. The stream holds the whole monitor, with
// the pointer if the desktop was asked for it. A window's own contents come
// from XWayland, which serves an X11 window's pixels by its id, covered or
// not, as the X server does on X11; the stream's crop where it cannot.
class PortalScreenReader : public ScreenReader {
public:
    // Without a grant the reader fails from the start with `code` and `why`.
    PortalScreenReader(std::shared_ptr<const PortalGrant> grant, ScreenError code, std::string why);
    ~PortalScreenReader() override;

    bool read(const ScreenArea& area, ImageView frame) override;
    ScreenError errorCode() const override { return code_; }
    std::string error() const override { return error_; }

private:
    std::shared_ptr<const PortalGrant> grant_;
    ScreenError code_;
    std::string error_;
    std::unique_ptr<X11ScreenReader> windows_;  // opened at the first window-contents read
};

}  // namespace platform
