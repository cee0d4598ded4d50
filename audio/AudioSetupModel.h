#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/AudioSystem.h"
#include "platform/core/HResult.h"

namespace talvora {

struct AppContext;
class CoreAudio;

// The rules behind the Audio Setup dialog: the list of recording sources
// (the sound server's sources, by description), the input lines of the
// current one (its ports), the automatic picks, the Smart Microphone options
// and the checks when the dialog is confirmed. The dialog shows the lists and
// forwards the user's choices. UI thread.
class AudioSetupModel {
public:
    // What the model needs from the rest of the recorder.
    struct Hooks {
        std::function<bool(const std::string& source)> buildTestGraph;  // connects the source to a WAV writer
        std::function<void()> resetGraphs;     // stops, releases and recreates the filter graphs
        std::function<void()> tickRecordAudio;  // ticks "Record audio" in an open Settings dialog
        std::function<bool()> saveSettings;     // rewrites the settings file; false when it failed
    };

    // The dialog's state when OK is pressed.
    struct Confirmation {
        bool speakers = false;    // remote audio ticked
        bool microphone = false;  // local audio ticked; unticked by the checks where they say so
        std::string sourcesText;  // the sources list's selected text
        std::string volumeText;   // the volume box
    };
    enum class Outcome { Stay, Close };

    static constexpr std::size_t kMaxEntries = 11;

    AudioSetupModel(AppContext& ctx, platform::AudioSystem& audio, CoreAudio& core, Hooks hooks);

    int FillAudioSources();
    // Makes the entry `selected` (-1: none) of the sources list current.
    int OnAudioSourceChanged(int selected);
    int PickMicrophoneSource();
    // Opens the current source at 44100 Hz, 16-bit stereo; the last result.
    platform::HRESULT SetCaptureFormat();
    // Switches the current source to the input line `selected`.
    void SelectAudioInputLine(int selected);
    Outcome ApplyAudioSetup(Confirmation& dialog);

    // Smart Microphone: the options in order, the one to show, a choice.
    static const std::vector<std::string>& SmartMicOptions();
    int shownSmartMicOption() const;
    void chooseSmartMicOption(int option);
    // False (after the message) when no microphone is chosen.
    bool enableSmartMic(bool microphoneChosen);

    const std::vector<std::string>& sources() const { return sources_; }
    const std::vector<std::string>& inputs() const { return inputs_; }
    int selectedSource() const { return selectedSource_; }
    int selectedInput() const { return selectedInput_; }

private:
    bool makeCurrent(const std::string& description);
    // OnAudioSourceChanged from reading the outputs on; `created`: the
    // source `text` was just made current (otherwise the settings of the
    // source stay as they are).
    int takeCurrent(const std::string& text, bool created);
    // ProcVolume from the volume box; false (after the message) above 90.
    bool takeVolume(const std::string& text);
    void recomputeSingleDevice();
    int ask(const std::string& text);
    void tell(const std::string& text);

    AppContext& ctx_;
    platform::AudioSystem& audio_;
    CoreAudio& core_;
    Hooks hooks_;
    std::vector<std::string> sources_;
    std::vector<std::string> inputs_;
    int selectedSource_ = -1;
    int selectedInput_ = -1;
    std::optional<platform::AudioSourceInfo> current_;
};

}  // namespace talvora
