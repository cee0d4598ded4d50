#pragma once

namespace talvora {

// The windows the recorder window's commands open that are built on their
// own: the settings dialog, the audio set-up dialog, the recordings browser
// and the region marking. The recorder window routes its commands here; while
// it has none, their buttons and menu entries are greyed. UI thread.
class RecorderWindows {
public:
    virtual ~RecorderWindows() = default;

    // Focuses the settings dialog when it is open, else opens it modeless.
    virtual void openSettings() = 0;
    virtual void closeSettings() = 0;
    // Modal.
    virtual void openAudioSetup() = 0;
    // Focuses the recordings browser when it is open, else opens it modeless.
    virtual void openRecordingsBrowser() = 0;
    virtual void markRegion() = 0;
    virtual void markEntireScreen() = 0;
    // 0 idle, 1 motion search running, 2 region frame shown.
    virtual int markingState() = 0;
    virtual void closeMarkingWindow() = 0;
    virtual bool regionFrameShown() = 0;
};

}  // namespace talvora
