#pragma once

#include <QPointer>
#include <functional>
#include <vector>

#include "app/RecorderWindows.h"
#include "audio/CoreAudio.h"
#include "ui/SetupDlg.h"
#include "ui/SetupHost.h"

namespace platform {
class AudioSystem;
class RichText;
}  // namespace platform

namespace talvora {

class SettingsStore;
class WinDlg;
struct AppContext;

// The settings dialog and the audio set-up dialog as the recorder window
// opens them, and the settings dialog's way back to the recorder window.
// One per process, created in main(); UI thread.
class SettingsDialogs : public SettingsWindows, public SetupHost {
public:
    // `recorder` gives the recorder window of the moment (null while there
    // is none); `rebuild` destroys it and creates it again at a new percent.
    struct Recorder {
        std::function<WinDlg*()> current;
        std::function<void(int percent)> rebuild;
    };

    SettingsDialogs(AppContext& ctx, SettingsStore& store, platform::AudioSystem& audio,
                    platform::RichText& richText);
    ~SettingsDialogs() override;

    void attach(Recorder recorder) { recorder_ = std::move(recorder); }
    SetupDlg* settingsDialog() const { return dialog_; }

    // SettingsWindows
    void openSettings() override;
    void closeSettings() override;
    void openAudioSetup() override;
    bool audioSetupOpen() const override { return audioSetupsOpen_ > 0; }

    // SetupHost
    void stopTimer() override;
    void startTimer() override;
    WindowTracker& tracker() override;
    void restartPreview() override;
    void registerHotkeys(const std::array<HotkeyCombination, 3>& combinations) override;
    int markingState() override;
    bool canMarkRegion() override;
    void markRegion() override;
    void closeProgram() override;
    void runAudioSetup() override;
    void rebuildRecorder(int percent) override;

private:
    void audioSetup(bool withInstructions);

    AppContext& ctx_;
    SettingsStore& store_;
    platform::AudioSystem& audio_;
    platform::RichText& richText_;
    CoreAudio core_;
    Recorder recorder_;
    QPointer<SetupDlg> dialog_;
    // Closed dialogs not yet freed, and the loop level the open one was
    // opened at.
    std::vector<QPointer<SetupDlg>> closing_;
    int openedAtLevel_ = 0;
    int audioSetupsOpen_ = 0;
};

}  // namespace talvora
