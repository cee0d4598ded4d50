#pragma once

#include <string>

namespace talvora {

// What the window tracker needs of the recorder window that runs it: the
// cloned-video preview, timer 1 and the status line. The recorder window
// implements it; all calls come on the UI thread.
class TrackerHost {
public:
    virtual ~TrackerHost() = default;

    // Restarts the cloned-video preview so that it picks up a new capture
    // rectangle, monitor or window-capture state.
    virtual void restartPreview() = 0;
    // The recorder window, the preview graph and the preview's capture-filter
    // configuration all exist.
    virtual bool previewReady() = 0;
    // Stops and restarts the recorder window's one-second timer (timer 1).
    virtual void stopTimer() = 0;
    virtual void startTimer(int interval_ms) = 0;
    // Sets the status line and shows it.
    virtual void showStatus(const std::string& text) = 0;
    // The manual region frame is shown (marking state 2).
    virtual bool regionFrameShown() = 0;
    // A conversion of a finished recording is watching its output.
    virtual bool converting() = 0;
};

}  // namespace talvora
