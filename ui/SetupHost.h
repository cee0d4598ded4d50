#pragma once

#include <array>

#include "ui/HotkeyText.h"

namespace talvora {

class WindowTracker;

// What the settings dialog asks of the recorder window and of the program
// around it. UI thread.
class SetupHost {
public:
    virtual ~SetupHost() = default;

    // The recorder window's timer 1.
    virtual void stopTimer() = 0;
    virtual void startTimer() = 0;
    // The meeting-window tracker of the recorder window.
    virtual WindowTracker& tracker() = 0;
    virtual void restartPreview() = 0;
    // The settings dialog's registration of hotkeys 0, 1 and 2; a combination
    // without a modifier leaves its hotkey as it is. A failure shows its
    // message and the caller goes on.
    virtual void registerHotkeys(const std::array<HotkeyCombination, 3>& combinations) = 0;
    // 0 idle, 1 motion search running, 2 region frame shown.
    virtual int markingState() = 0;
    // Whether the region marking is available at all, and the recorder's
    // "Mark a screen region".
    virtual bool canMarkRegion() = 0;
    virtual void markRegion() = 0;
    // The program's exit path.
    virtual void closeProgram() = 0;
    // The audio set-up dialog, modal.
    virtual void runAudioSetup() = 0;
    // Closes the settings dialog and frees it once its handler has returned.
    virtual void closeSettings() = 0;
    // Destroys the recorder window and creates it again at `percent`.
    virtual void rebuildRecorder(int percent) = 0;
};

}  // namespace talvora
