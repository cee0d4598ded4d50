#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop/Geometry.h"
#include "platform/desktop/Windows.h"

namespace platform {

// Why the screen cannot be read.
enum class ScreenError {
    None,
    NoDisplay,       // no connection to the display or the desktop
    Unsupported,     // the screen's pixels come in a format we cannot take
    ReadFailed,      // a read of the screen failed
    Refused,         // the user or the desktop did not allow the screen to be shared
    EndedByDesktop,  // the desktop stopped sharing the screen
    NoPortal,        // the desktop offers no screen-cast portal
    NoPipeWire,      // the portal's PipeWire connection does not reach a PipeWire server
};

// A frame being filled, in the pipeline's layout: packed BGRX (4 bytes a
// pixel, the fourth 0xFF) or BGR (3). `stride` is the step from one row to
// the next; a negative one with `data` at the last row stores rows bottom-up.
struct ImageView {
    std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes
    int bytesPerPixel = 4;
};

// What one read takes from the screen.
struct ScreenArea {
    // Root coordinates of the X display; it may reach off the screen, where
    // the frame is black.
    Rect rect;
    // A window whose own contents are wanted (covered or not) where the
    // backend can read them; the screen's pixels of `rect` otherwise.
    WindowId window = 0;
    bool windowContents = false;
    bool drawCursor = false;
};

// One thread's reader of the screen. It holds what a run needs for itself (a
// connection, a shared-memory segment), so readers of the recording, the
// preview and the motion search never wait for one another. Made by
// ScreenSource::openReader on any thread, then used by one thread at a time.
class ScreenReader {
public:
    virtual ~ScreenReader() = default;
    // Fills `frame`, which has the size of area.rect. False when the screen
    // could not be read; errorCode() and error() say why. A reader that
    // could not be opened answers false at once.
    virtual bool read(const ScreenArea& area, ImageView frame) = 0;
    // None while the reader reads.
    virtual ScreenError errorCode() const = 0;
    // The last failure in the library's words, for the log and the user.
    virtual std::string error() const = 0;
};

// What the desktop is asked to share.
enum class ScreenChoice { Monitor, Window };

// Where pictures of the screen come from: made once at start-up and shared by
// the recording's capture filter, the preview and the motion search, so that
// one consent of the desktop serves all of them.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;

    // UI thread, before a graph that reads the screen runs: gets whatever the
    // desktop must allow first (it may ask the user), then calls `done` on
    // the UI thread; ready() then says how it went. A source that needs no
    // consent calls `done` at once.
    virtual void prepare(std::function<void()> done) = 0;
    // Any thread: true when readers can read.
    virtual bool ready() const = 0;
    // Any thread: why it is not ready; None and empty while it is.
    virtual ScreenError errorCode() const = 0;
    virtual std::string error() const = 0;

    // Any thread: a reader for the calling run. Never null; when the screen
    // cannot be read its errorCode() says so from the start.
    virtual std::unique_ptr<ScreenReader> openReader() = 0;

    // A desktop that keeps its own windows from other clients (Wayland)
    // shares one only as the user chooses it in the desktop's dialog; a
    // source that can read every window answers false and never asks.
    virtual bool sharesChosenWindows() const { return false; }
    // UI thread: what the next prepare() asks for; a grant of the other
    // choice is no longer ready(). Only where sharesChosenWindows().
    virtual void choose(ScreenChoice) {}
    // Any thread: with a window shared, its title as the desktop gives it
    // (empty when it gives none); nothing while the pictures are a monitor's.
    // A shared window's pictures are scaled into the frame whole.
    virtual std::optional<std::string> sharedWindow() const { return std::nullopt; }
};

}  // namespace platform
