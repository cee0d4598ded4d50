#pragma once

namespace talvora {

// The windows the recorder window's commands open that are built on their
// own. Each group is given separately; while a group is missing, the buttons
// and menu entries that open it are greyed. UI thread.

// The settings dialog and the audio set-up dialog.
class SettingsWindows {
public:
    virtual ~SettingsWindows() = default;
    // Focuses the settings dialog when it is open, else opens it modeless.
    virtual void openSettings() = 0;
    virtual void closeSettings() = 0;
    // Modal; opens the instructions and the desktop's sound settings with it.
    virtual void openAudioSetup() = 0;
    // Modal, the dialog alone.
    virtual void runAudioSetup() = 0;
    // While it is open, its tests own the recording graph.
    virtual bool audioSetupOpen() const { return false; }
};

// The recordings browser.
class RecordingsBrowserWindow {
public:
    virtual ~RecordingsBrowserWindow() = default;
    // Focuses the recordings browser when it is open, else opens it modeless.
    virtual void openRecordingsBrowser() = 0;
};

// The region frame and the motion-video search.
class RegionMarking {
public:
    virtual ~RegionMarking() = default;
    virtual void markRegion() = 0;
    virtual void markEntireScreen() = 0;
    // 0 idle, 1 motion search running, 2 region frame shown.
    virtual int markingState() = 0;
    virtual void closeMarkingWindow() = 0;
    virtual bool regionFrameShown() = 0;
    // A conversion has ended: nothing counts as being marked any more.
    virtual void resetMarkingState() = 0;
    // "Replicast message" 777 (a video found) or 1111 (the search ended);
    // other codes are left alone.
    virtual void OnMotionSearchResult(int /*code*/) {}
};

struct RecorderWindows {
    SettingsWindows* settings = nullptr;
    RecordingsBrowserWindow* browser = nullptr;
    RegionMarking* marking = nullptr;
};

}  // namespace talvora
