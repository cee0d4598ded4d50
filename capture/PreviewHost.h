#pragma once

#include "capture/RecordingGraph.h"
#include "capture/RecordingHost.h"
#include "platform/desktop/Windows.h"

namespace talvora {

// What the preview graph needs of the recorder window. The methods that
// RecordingHost has too carry the same signatures, so one implementation in
// the window serves both. Called on the UI thread.
class PreviewHost {
public:
    virtual ~PreviewHost() = default;

    // The recorder window's X id; 0 while it does not exist.
    virtual platform::WindowId recorderWindow() = 0;
    // The interface scale of the window's layout; 1.0 until computed.
    virtual double interfaceScale() const = 0;
    // Client size, status-line height and the title strip plus button row.
    virtual RecordingHost::ClientLayout clientLayout() = 0;
    virtual void refreshLayeredStyle() = 0;
    // The tracked meeting window and the capture-by-handle state of the
    // meeting-window tracking, for the preview's screen capture.
    virtual CaptureTarget captureTarget() = 0;
    // The window the cloned video is placed in: the recorder window's client
    // area, which a menu bar may push below the window's own corner.
    virtual platform::WindowId videoOwner() { return recorderWindow(); }
    // False while the desktop has not yet given its screen (a Wayland
    // desktop asks the user at the first recording): no preview till then.
    virtual bool screenReady() { return true; }
};

}  // namespace talvora
