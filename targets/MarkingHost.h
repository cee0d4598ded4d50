#pragma once

#include <string>

#include "platform/desktop/Windows.h"

namespace talvora {

// What the region frame and the motion search need of the recorder window.
// The recorder implements it; all calls come on the UI thread.
class MarkingHost {
public:
    virtual ~MarkingHost() = default;

    // Sets the status line and shows it.
    virtual void showStatus(const std::string& text) = 0;
    // Replaces the tip text (empty clears it).
    virtual void setTipText(const std::string& text) = 0;
    // Stops the cloned-video preview; it picks up the capture rectangle when
    // it is shown again.
    virtual void restartPreview() = 0;
    // Shows the recorder (the program's main window) normally again.
    virtual void showRecorderRestored() = 0;
    // Timer 1 of the recorder window.
    virtual void stopTimer() = 0;
    virtual void startTimer(int interval_ms) = 0;
    virtual void closeSettingsDialog() = 0;
    // The window that receives "Replicast message"; 0 while there is none.
    virtual platform::WindowId recorderWindow() = 0;
    // The worker that forgets a hidden tracked window.
    virtual void stopWatcher() = 0;
    virtual void startWatcher() = 0;
    // The default system beep.
    virtual void beep() = 0;
};

}  // namespace talvora
