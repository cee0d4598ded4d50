#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <string>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/desktop/linux/ShmSegment.h"
#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

// Reads rectangles of the X11 desktop into frames, on a connection of its
// own: the root window through MIT-SHM (plain GetImage where shared memory
// does not work), or a window's own contents through Composite, with the
// mouse pointer from XFixes drawn on top. Made on any thread, then used by
// one capture thread at a time.
class X11ScreenReader : public ScreenReader {
public:
    X11ScreenReader();
    X11ScreenReader(const X11ScreenReader&) = delete;
    X11ScreenReader& operator=(const X11ScreenReader&) = delete;

    // From the window's contents when the area asks for them and the window
    // can be read, else from the screen; opaque black where neither reaches.
    bool read(const ScreenArea& area, ImageView frame) override;
    // Only area.window's own contents (with the pointer if asked), never the
    // screen: false, quietly, where the window cannot be read.
    bool readWindowContents(const ScreenArea& area, ImageView frame);
    ScreenError errorCode() const override { return code_; }
    // The last failure, also of reads that were then done another way.
    std::string error() const override { return error_; }
    bool usesSharedMemory() const { return useShm_; }

private:
    bool readScreen(const Rect& requested, ImageView frame);
    // False, quietly, when the window cannot be read: the caller falls back.
    bool readWindow(xcb_window_t window, const Rect& requested, ImageView frame);
    // The block `source` of `drawable` into `frame` at `offset`.
    bool readBlock(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset);
    bool readBlockShared(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset);
    bool readBlockPlain(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset);
    void drawCursor(const Rect& requested, ImageView frame);
    // The window's ancestor that is a child of the root (its frame under a
    // window manager); 0 when the window is gone.
    xcb_window_t topLevelOf(xcb_window_t window) const;
    int bitsPerPixelOfDepth(int depth) const;

    XcbConnection xcb_;  // first: the segment below detaches through it
    std::unique_ptr<ShmSegment> shm_;
    ScreenError code_ = ScreenError::None;
    bool useShm_ = false;
    bool hasXFixes_ = false;
    bool hasComposite_ = false;
    xcb_window_t redirected_ = XCB_WINDOW_NONE;
    std::string error_;
};

}  // namespace platform
