#pragma once

#include <string>

#include "platform/desktop/Geometry.h"

namespace talvora {

// What the recording session does to the recorder window: its timer, its
// buttons, its visibility. The recorder window implements it; UI thread.
class SessionUi {
public:
    virtual ~SessionUi() = default;
    virtual void stopTimer() = 0;
    virtual void startTimer() = 0;
    virtual void setRecordCaption(const std::string& text) = 0;
    virtual void setPlayPauseCaption(const std::string& text) = 0;
    virtual void setMicPicture(bool muted) = 0;
    // Sets the status text and shows it at once.
    virtual void showStatus(const std::string& text) = 0;
    // Shows a note the user must get to read: the status texts that follow
    // (the tracker's, every second) do not replace it for a while.
    virtual void showNote(const std::string& text) { showStatus(text); }
    virtual void hideRecorder() = 0;
    virtual void showRecorderRestored() = 0;
    virtual void restartPreview() = 0;
    // The exit path (asks first while a recording is active).
    virtual void closeProgram() = 0;
    virtual void closeSettingsDialog() = 0;
    virtual bool audioSetupOpen() = 0;
    // 0 idle, 1 motion search running, 2 region frame shown.
    virtual int markingState() = 0;
    virtual void closeMarkingWindow() = 0;
    virtual platform::Rect recorderRect() = 0;
    // Shows the tip dialog for the tip number, modally.
    virtual void showTip(int tip) = 0;
    // Replaces the tip text the "MAXI" layout shows; stops the preview.
    virtual void setTipText(const std::string& text) = 0;
};

}  // namespace talvora
