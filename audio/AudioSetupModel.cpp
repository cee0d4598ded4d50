#include "audio/AudioSetupModel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "app/AppContext.h"
#include "audio/CoreAudio.h"
#include "audio/LoopbackNames.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"

namespace talvora {

using platform::HRESULT;

namespace {

constexpr const char* kLoopbackFilter = "VozEza5";

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A list control's select-by-text: the first entry that begins with the
// text, letter case ignored; -1 when none.
int selectByPrefix(const std::vector<std::string>& list, const std::string& text) {
    const std::string prefix = upper(text);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (upper(list[i]).rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace

AudioSetupModel::AudioSetupModel(AppContext& ctx, platform::AudioSystem& audio, CoreAudio& core, Hooks hooks)
    : ctx_(ctx), audio_(audio), core_(core), hooks_(std::move(hooks)) {}

bool AudioSetupModel::makeCurrent(const std::string& description) {
    current_.reset();
    std::vector<platform::AudioSourceInfo> all;
    if (platform::AudioStatus status = audio_.sources(all); !status.ok()) {
        ctx_.platform.log.append("\r\n" + status.message);
        return false;
    }
    for (auto& source : all)
        if (source.description == description) {
            current_ = std::move(source);
            return true;
        }
    return false;
}

int AudioSetupModel::FillAudioSources() {
    Settings& s = ctx_.settings;
    sources_.clear();
    inputs_.clear();
    selectedSource_ = selectedInput_ = -1;

    std::vector<platform::AudioSourceInfo> all;
    if (platform::AudioStatus status = audio_.sources(all); !status.ok())
        ctx_.platform.log.append("\r\n" + status.message);
    if (all.size() > kMaxEntries) all.resize(kMaxEntries);

    std::string loopbackCandidate;
    for (const auto& source : all) {
        current_ = source;
        if (s.dualAudio == 0 && IsLoopbackLike(source.description)) loopbackCandidate = source.description;
        if (contains(source.description, "virtual-audio")) continue;
        sources_.push_back(source.description);
        SetCaptureFormat();
    }

    if (!sources_.empty() && !contains(s.audioSource, "virtual-audio") && !contains(s.audioSource, "SndCap")) {
        if (!loopbackCandidate.empty() && s.audioSource.empty()) s.audioSource = loopbackCandidate;
        if (s.audioSource.empty()) s.audioSource = sources_.front();
        selectedSource_ = selectByPrefix(sources_, s.audioSource);
        if (OnAudioSourceChanged(selectedSource_) == 0) return 0;
    }
    if (s.dualAudio != 0 && !s.audioSource1.empty()) selectedSource_ = selectByPrefix(sources_, s.audioSource1);
    return 1;
}

int AudioSetupModel::OnAudioSourceChanged(int selected) {
    inputs_.clear();
    selectedInput_ = -1;
    // Nothing selected (the stored source is not listed, as "VozEza5" never
    // is): no source is current, and `Audio Source` stays as it is.
    if (selected < 0 || selected >= static_cast<int>(sources_.size())) {
        current_.reset();
        return takeCurrent({}, false);
    }
    const std::string text = sources_[static_cast<std::size_t>(selected)];
    return takeCurrent(text, makeCurrent(text));
}

int AudioSetupModel::takeCurrent(const std::string& text, bool created) {
    Settings& s = ctx_.settings;
    if (created) {
        // A source has exactly one output, its record stream ("Out").
        s.audioSource = text;
        for (const auto& port : current_->ports) {
            if (inputs_.size() == kMaxEntries) break;
            inputs_.push_back(port.description);
        }
        const int loopback = s.dualAudio == 0 ? LastLoopbackLike(inputs_) : -1;
        if (loopback >= 0) {
            s.audioInput = inputs_[static_cast<std::size_t>(loopback)];
            selectedInput_ = loopback;
        } else {
            selectedInput_ = selectByPrefix(inputs_, s.audioInput);
        }
    }
    // Only a source just chosen moves to the second place: with nothing
    // selected `Audio Source` is still the loopback, never a microphone.
    if (created && s.dualAudio != 0 && !s.audioSource.empty() && hooks_.buildTestGraph &&
        hooks_.buildTestGraph(s.audioSource)) {
        s.audioSource1 = s.audioSource;
        if (!s.audioOutput.empty()) {
            s.audioOutput1 = s.audioOutput;
            s.audioInput1 = s.audioInput;
        }
        s.audioSource.clear();
        s.audioOutput.clear();
        s.audioInput.clear();
        hooks_.saveSettings();
    }
    return 1;
}

int AudioSetupModel::PickMicrophoneSource() {
    Settings& s = ctx_.settings;
    inputs_.clear();
    selectedInput_ = -1;
    if (sources_.empty()) return 0;

    const std::string& defaultName = ctx_.audio.defaultMicrophoneName;
    const std::string defaultUpper = upper(defaultName);
    for (const auto& entry : sources_) {
        const std::string entryUpper = upper(entry);
        // Without a default name, "contains" would hold for every entry.
        const bool related =
            !defaultUpper.empty() && (contains(defaultUpper, entryUpper) || contains(entryUpper, defaultUpper));
        if (entry == defaultName || related || contains(entryUpper, "MICROPHONE")) {
            s.audioSource1 = entry;
            break;
        }
    }
    const std::string picked = s.audioSource1;
    return takeCurrent(picked, makeCurrent(picked));
}

HRESULT AudioSetupModel::SetCaptureFormat() {
    platform::DiagnosticLog& log = ctx_.platform.log;
    // 8820 bytes are 50 ms of 44100 Hz 16-bit stereo.
    log.append(platform::format("\r\nlBytesPerSecond=%u\r\nlBufferSize=%u", 176400u, 8820u));
    if (!current_) return platform::E_POINTER;
    const platform::AudioSampleSpec& now = current_->sampleFormat;
    log.append(platform::format(
        "\r\nCURRENT\r\nnnChannels=%d\r\nnFrequency=%d\r\nlBytesPerSecond=%u\r\nwBitsPerSample=%u\r\nnBlockAlign=%u\r\n",
        now.channels, now.sampleRate, static_cast<unsigned>(now.sampleRate * now.channels * now.bitsPerSample / 8),
        static_cast<unsigned>(now.bitsPerSample), static_cast<unsigned>(now.channels * now.bitsPerSample / 8)));
    // The server converts for each stream: the format is asked for by
    // opening a stream in it, and the stream is closed again.
    std::unique_ptr<platform::AudioRecordStream> stream;
    const platform::AudioStatus status = audio_.openRecordStream(current_->name, 44100, 2, stream);
    if (!status.ok()) log.append("\r\n" + status.message);
    return status.hr;
}

void AudioSetupModel::SelectAudioInputLine(int selected) {
    if (!current_ || selected < 0 || selected >= static_cast<int>(current_->ports.size())) return;
    // A source has one active port: selecting it switches the others off.
    const platform::AudioPort& port = current_->ports[static_cast<std::size_t>(selected)];
    if (platform::AudioStatus status = audio_.setSourcePort(current_->index, port.name); status.ok())
        current_->activePort = port.name;
    else
        ctx_.platform.log.append("\r\n" + status.message);
    selectedInput_ = selected;
    ctx_.settings.audioInput = inputs_.at(static_cast<std::size_t>(selected));
    if (ctx_.settings.vistaAudio == 0) hooks_.saveSettings();
}

const std::vector<std::string>& AudioSetupModel::SmartMicOptions() {
    static const std::vector<std::string> options = {"Mute remote audio volume when recording",
                                                     "Lower remote audio volume when recording",
                                                     "No audio volume change"};
    return options;
}

int AudioSetupModel::shownSmartMicOption() const {
    const Settings& s = ctx_.settings;
    if (s.smartMic == 0) return 2;
    return s.recOption < 0 ? 1 : s.recOption;
}

void AudioSetupModel::chooseSmartMicOption(int option) {
    ctx_.settings.recOption = option;
    hooks_.saveSettings();
}

bool AudioSetupModel::enableSmartMic(bool microphoneChosen) {
    if (microphoneChosen) return true;
    tell("Smart Microphone is available when local audio stream (microphone) is selected");
    return false;
}

bool AudioSetupModel::takeVolume(const std::string& text) {
    const int volume = std::atoi(text.c_str());
    if (volume > 90) {
        tell("Recorded volume can only be lowered by 90%");
        return false;
    }
    ctx_.settings.procVolume = volume;
    return true;
}

void AudioSetupModel::recomputeSingleDevice() {
    const Settings& s = ctx_.settings;
    ctx_.settings.singleDevice = s.audioSource1.empty() && !contains(s.audioSource, kLoopbackFilter) ? 1 : 0;
}

int AudioSetupModel::ask(const std::string& text) {
    return ctx_.platform.messageBox.show(text, platform::MessageButtons::YesNo);
}

void AudioSetupModel::tell(const std::string& text) { ctx_.platform.messageBox.show(text); }

AudioSetupModel::Outcome AudioSetupModel::ApplyAudioSetup(Confirmation& dialog) {
    Settings& s = ctx_.settings;
    constexpr int No = platform::IDNO;
    const std::string noLocal = "No local audio source selected (microphone). Click the microphone under Audio "
                                "Recording Sources.\n\nOnly the remote audio will be recorded. Continue anyway?";

    if (dialog.sourcesText != ctx_.audio.defaultMicrophoneName &&
        ask("Selected device is not the default audio source. This device cannot be used for recording. Click "
            "Windows Sound and setup the default device.\n\nContinue anyway?") == No)
        return Outcome::Stay;

    if (dialog.speakers && dialog.microphone) {
        if (s.audioSource1 != dialog.sourcesText && ask(noLocal) == No) return Outcome::Stay;
        if (s.audioSource1.empty()) {
            tell("No local audio source selected (microphone). Only the remote audio (speakers) can be recorded");
            if (ask(noLocal) == No) return Outcome::Stay;
        }
        if (!s.audioOutput1.empty()) {
            s.dualAudio = 1;
            if (!s.audioSource1.empty()) core_.UnmuteSecondSource(s.audioSource1);
        } else {
            if (ask("No local audio source selected (microphone). Click the microphone under Audio Recording "
                    "Sources. \n\nOnly the remote audio will be recorded. Continue anyway?") == No)
                return Outcome::Stay;
            dialog.microphone = false;
            s.dualAudio = 0;
        }
    } else if (!dialog.microphone) {
        s.dualAudio = 0;
    } else {
        if (!s.audioSource1.empty() && !s.audioOutput1.empty()) {
            s.audioSource = s.audioSource1;
            s.audioInput = s.audioInput1;
            s.audioOutput = s.audioOutput1;
        } else if (s.audioSource.empty() || s.audioOutput.empty()) {
            dialog.microphone = false;
            s.dualAudio = 0;
            tell(s.audioSource.empty() ? "No audio source selected for local audio"
                                       : "No audio output selected for local audio");
            return Outcome::Stay;
        }
        s.dualAudio = 0;
        s.audioSource1.clear();
        s.audioInput1.clear();
        s.audioOutput1.clear();
    }

    if (s.dualAudio != 0) {
        s.audioSource.clear();
        s.audioInput.clear();
        s.audioOutput.clear();
    } else {
        s.audioSource1.clear();
        s.audioInput1.clear();
        s.audioOutput1.clear();
    }
    hooks_.saveSettings();

    if (dialog.speakers) {
        s.vistaAudio = 1;
        s.audioSource = kLoopbackFilter;
        s.audioInput.clear();
        s.audioOutput = "Out";
        if (!takeVolume(dialog.volumeText) || !hooks_.saveSettings()) return Outcome::Stay;
    } else {
        hooks_.resetGraphs();
        ctx_.recording = false;
        if ((s.audioSource.empty() || contains(s.audioSource, kLoopbackFilter)) && s.vistaAudio == 0 &&
            ask("No audio source is selected. Click one of the items (microphone) under Audio Recorded "
                "Sources.\n\nContinue anyway?") == No)
            return Outcome::Stay;
        if (!dialog.sourcesText.empty()) s.audioSource = dialog.sourcesText;
        const bool built = hooks_.buildTestGraph(s.audioSource);
        if (s.audioOutput.empty() && !built) {
            tell("No output pin can be found for the specified audio source.");
            return Outcome::Stay;
        }
        SelectAudioInputLine(selectedInput_);
        if (!s.audioSource.empty() && !s.audioOutput.empty()) {
            hooks_.tickRecordAudio();
            s.audioOnly = 0;
        }
        recomputeSingleDevice();
        if (!takeVolume(dialog.volumeText)) return Outcome::Stay;
        hooks_.saveSettings();
        hooks_.resetGraphs();
    }

    if (s.vistaAudio != 0) {
        core_.CheckSpeakersFormat();
        core_.CheckMicrophoneFormat();
    }
    return Outcome::Close;
}

}  // namespace talvora
