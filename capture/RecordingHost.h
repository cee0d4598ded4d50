#pragma once

#include <string>

#include "platform/desktop/Windows.h"

namespace talvora {

// What the recording graph needs of the recorder window that drives it: its
// preview, its buttons, its placement of the cloned video, its exit path.
// Called on the UI thread.
class RecordingHost {
public:
    virtual ~RecordingHost() = default;

    // The recorder window's X id; 0 while it does not exist.
    virtual platform::WindowId recorderWindow() = 0;
    virtual void restartPreview() = 0;
    // The recording was started or resumed from a hotkey.
    virtual bool startMinimised() = 0;
    // 0 running, 1 pause requested, 2 paused, 3 resume requested.
    virtual int pauseState() = 0;
    virtual void minimiseRecorder() = 0;
    virtual void setPlayPauseCaption(const std::string& text) = 0;
    virtual void setRecordCaption(const std::string& text) = 0;
    virtual void refreshLayeredStyle() = 0;
    // The cloned-video panel inside the recorder window: created for a
    // recording, placed at (0, m) below the title strip and the buttons.
    virtual bool createClonePanel() = 0;
    virtual void destroyClonePanel() = 0;
    struct ClientLayout {
        int clientWidth = 0;
        int clientHeight = 0;
        int statusHeight = 0;   // control 118
        int stripAndButtons = 0;  // title strip + button row
    };
    virtual ClientLayout clientLayout() = 0;
    // The exit path of the program.
    virtual void closeProgram() = 0;
    virtual void clearRecordingFlag() = 0;
};

}  // namespace talvora
