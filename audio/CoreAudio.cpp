#include "audio/CoreAudio.h"

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/AppContext.h"
#include "platform/audio/AudioErrors.h"
#include "platform/audio/AudioSystem.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/shell/Launcher.h"

namespace talvora {

using platform::AudioStatus;
using platform::HRESULT;

namespace {

constexpr std::size_t kMaxMicNameLength = 1000;
// Long enough for a running device to deliver its first fragment; a
// suspended one delivers nothing and still counts as started.
constexpr std::chrono::milliseconds kStartWait{100};

constexpr const char* kFormatFields =
    "\r\nwFormatTag=%d\r\nnChannels=%d\r\nnSamplesPerSec=%d\r\nnAvgBytesPerSec=%d\r\nnBlockAlign=%d\r\n"
    "wBitsPerSample=%d\r\ncbSize=%d";

constexpr const char* kSpeakersInstructions =
    "\r\nWINDOWS SPEAKERS SAMPLE RATE SETUP\r\n\r\nIn the 'Sound' window click Speakers.\r\nClick Configure and make "
    "sure the Audio is set to Stereo.\r\nClick Properties then click Advanced and set the audio format to 16 or 24 "
    "bit, 48000 Hz or 44100 Hz (samples).\r\n\r\nRestart Talvora.";
constexpr const char* kMicrophoneInstructions =
    "\r\nWINDOWS MICROPHONE SAMPLE RATE SETUP\r\n\r\nIn the 'Sound' window click Speakers.\r\nClick Configure and "
    "make sure the Audio is set to Stereo.\r\nClick Properties then click Advanced and set the audio format to 16 or "
    "24 bit, 48000 Hz or 44100 Hz.\r\n\r\nClick Recording, click your microphone, Properties ,Advanced. Select the "
    "same sample rate.\r\n\r\nRestart Talvora.";

std::string describe(const char* heading, const WaveFormat& f) {
    return heading + platform::format(kFormatFields, f.wFormatTag, f.nChannels, static_cast<int>(f.nSamplesPerSec),
                                      static_cast<int>(f.nAvgBytesPerSec), f.nBlockAlign, f.wBitsPerSample, f.cbSize);
}

// The server's own format of a device, in the fields the probe logs.
WaveFormat formatOf(const platform::AudioSampleSpec& s) {
    WaveFormat f;
    f.wFormatTag = s.floatingPoint ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    f.nChannels = static_cast<std::uint16_t>(s.channels);
    f.nSamplesPerSec = static_cast<std::uint32_t>(s.sampleRate);
    f.wBitsPerSample = static_cast<std::uint16_t>(s.bitsPerSample);
    f.nBlockAlign = static_cast<std::uint16_t>(s.channels * s.bitsPerSample / 8);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
}

// Cuts a UTF-8 text to at most `max` bytes without splitting a character.
std::string truncated(std::string text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

}  // namespace

// Where the two checks differ.
struct CoreAudio::Endpoint {
    bool microphone = false;
    const char* formatHeading;
    const char* unsupportedRateQuestion;
    const char* instructions;
};

// One check under way: the stage counter, the last result and the flags.
struct CoreAudio::Probe {
    int stage = 0;
    HRESULT hr = platform::S_OK;
    bool unsupportedRate = false;
    bool started = false;  // stage 9 succeeded

    // Records a stage's call; false when it failed.
    bool step(int number, const AudioStatus& status) {
        stage = number;
        hr = status.hr;
        return status.ok();
    }
};

CoreAudio::CoreAudio(AppContext& ctx, platform::AudioSystem& audio, std::function<void()> exitPath)
    : ctx_(ctx), audio_(audio), exitPath_(std::move(exitPath)) {}

int CoreAudio::CheckSpeakersFormat() {
    return checkFormat({false, "\r\n\r\n---Default Renderer Format---",
                        "UNSUPPORTED SAMPLE RATE (%dHz).\r\nSpeakers audio sample rate error. Would you like to fix "
                        "now?",
                        kSpeakersInstructions});
}

int CoreAudio::CheckMicrophoneFormat() {
    return checkFormat({true, "\r\n\r\n---Default Microphone Format---",
                        "UNSUPPORTED SAMPLE RATE (%d Hz).\r\nMicrophone sample rate error. Would you like to fix now?",
                        kMicrophoneInstructions});
}

int CoreAudio::checkFormat(const Endpoint& endpoint) {
    Probe probe;
    WaveFormat mix;
    std::string recordFrom;
    findEndpoint(endpoint, probe, mix, recordFrom);
    if (platform::succeeded(probe.hr)) {
        // Stage 4: the device's own format is the mix format.
        probe.stage = 4;
        log(describe(endpoint.formatHeading, mix));
        WaveFormat proposed;
        proposed.wFormatTag = WAVE_FORMAT_PCM;
        proposed.nChannels = endpoint.microphone ? mix.nChannels : 2;
        proposed.nSamplesPerSec = mix.nSamplesPerSec;
        proposed.wBitsPerSample = 16;
        proposed.nBlockAlign = static_cast<std::uint16_t>(16 * proposed.nChannels / 8);
        proposed.nAvgBytesPerSec = proposed.nBlockAlign * proposed.nSamplesPerSec;
        if (endpoint.microphone) {
            state_.micMixRate = mix.nSamplesPerSec;
            ctx_.audio.microphoneRate = static_cast<int>(mix.nSamplesPerSec);
        } else {
            state_.speakerMixRate = mix.nSamplesPerSec;
            ctx_.audio.speakersRate = static_cast<int>(mix.nSamplesPerSec);
        }
        probe.unsupportedRate = mix.nSamplesPerSec != 48000 && mix.nSamplesPerSec != 44100;
        log(describe("\r\n\r\n---Proposed Format---", proposed));
        tryFormat(probe, mix, proposed, recordFrom);
    }

    if (probe.started) {
        if (endpoint.microphone && state_.speakerMixRate != state_.micMixRate) {
            const int answer = ask(platform::format(
                "Speakers sample rate and microphone sample rate are different (%d Hz, %d Hz). They must be set the "
                "same, 48000 Hz or 44100 Hz. Would you like to do this now?",
                static_cast<int>(state_.speakerMixRate), static_cast<int>(state_.micMixRate)));
            if (answer == platform::IDYES) {
                fixNow(kMicrophoneInstructions);
                return 0;
            }
        }
        if (!probe.unsupportedRate) return 1;
    }
    return finishFailed(endpoint, probe);
}

void CoreAudio::findEndpoint(const Endpoint& endpoint, Probe& probe, WaveFormat& mix, std::string& recordFrom) {
    AudioStatus status = audio_.connect();
    if (!probe.step(1, status)) return log("\r\n" + status.message);

    if (endpoint.microphone) {
        platform::AudioSourceInfo source;
        status = audio_.defaultSource(source);
        // A default source that records a sink is no microphone.
        if (status.ok() && source.isMonitor)
            status = {platform::E_NOTFOUND, "the default source \"" + source.name + "\" is a sink's monitor"};
        mix = formatOf(source.sampleFormat);
        recordFrom = source.name;
    } else {
        platform::AudioSinkInfo sink;
        status = audio_.defaultSink(sink);
        mix = formatOf(sink.sampleFormat);
        // The speakers are recorded through the sink's monitor (loopback).
        recordFrom = sink.monitorSource;
    }
    if (!probe.step(2, status)) return log("\r\n" + status.message);

    // Stage 3: the source that will be recorded is there.
    std::vector<platform::AudioSourceInfo> sources;
    status = audio_.sources(sources);
    if (status.ok()) {
        bool found = false;
        for (const auto& source : sources) found = found || source.name == recordFrom;
        if (!found) status = {platform::E_NOTFOUND, "no source \"" + recordFrom + "\" to record"};
    }
    if (!probe.step(3, status)) return log("\r\n" + status.message);

    if (mix.nSamplesPerSec == 0 || mix.nChannels == 0) {
        probe.step(4, {platform::E_FAIL, "the device reports no format"});
        log("\r\nthe device reports no format");
    }
}

void CoreAudio::tryFormat(Probe& probe, const WaveFormat& mix, const WaveFormat& proposed,
                          const std::string& recordFrom) {
    // Stage 5. The sound server converts sample formats and rates for any
    // stream; a channel count other than the device's needs a remix, which
    // is answered like shared mode does: S_FALSE with the device's format as
    // the closest match.
    std::optional<WaveFormat> suggested;
    if (proposed.nChannels != mix.nChannels) suggested = mix;
    const HRESULT supported = suggested ? platform::S_FALSE : platform::S_OK;
    probe.hr = supported;
    // The suggestion's pointer is logged as 0 when there is none.
    log(platform::format("\r\n\r\nhr=0x%08x pWfxTemp=%u", static_cast<unsigned>(supported), suggested ? 1u : 0u));
    if (supported != platform::S_OK) {
        probe.stage = 5;
        log("\r\nFormat NOT accepted by renderer");
    } else {
        log("\r\nFormat accepted by renderer");
    }
    log(suggested ? describe("\r\nSuggested format", *suggested) + "\r\n" : std::string("\r\nNO Suggested format\r\n"));

    // Stage 6: a real record stream in the proposed format.
    std::unique_ptr<platform::AudioRecordStream> stream;
    const AudioStatus opened = audio_.openRecordStream(recordFrom, static_cast<int>(proposed.nSamplesPerSec),
                                                       proposed.nChannels, stream);
    if (!probe.step(6, opened)) {
        log(platform::format("\r\n\r\nCannot initialize Audio Client hr=0x%08x", static_cast<unsigned>(opened.hr)));
        return log("\r\n" + opened.message);
    }
    log(platform::format("\r\n\r\nINITIALIZE  Audio Client OK hr=0x%08x\r\n\r\n", static_cast<unsigned>(opened.hr)));
    state_.clientRate = proposed.nSamplesPerSec;
    state_.clientBytesPerSecond = proposed.nChannels * proposed.nSamplesPerSec * proposed.wBitsPerSample / 8;
    ctx_.audio.clientRate = static_cast<int>(proposed.nSamplesPerSec);

    std::uint32_t frames = 0;
    const AudioStatus buffer = stream->bufferFrames(frames);
    if (!probe.step(7, buffer)) {
        log(platform::format("\r\n\r\nGetBufferSize failed hr=0x%08x", static_cast<unsigned>(buffer.hr)));
        return log("\r\n" + buffer.message);
    }

    // Stage 8: the capture service. A record stream reads its own data, so
    // there is nothing more to obtain.
    probe.step(8, {});

    // Stage 9: the stream runs; a device that is suspended delivers nothing
    // yet and is started all the same.
    std::vector<std::int16_t> samples;
    AudioStatus started = stream->read(samples, kStartWait);
    if (started.ok()) started = {};
    if (!probe.step(9, started)) {
        log(platform::format("\r\n\r\nStart failed hr=0x%08x", static_cast<unsigned>(started.hr)));
        return log("\r\n" + started.message);
    }
    probe.started = true;
}

int CoreAudio::finishFailed(const Endpoint& endpoint, const Probe& probe) {
    if (probe.unsupportedRate) {
        const int answer =
            ask(platform::format(endpoint.unsupportedRateQuestion, static_cast<int>(endpoint.microphone
                                                                                        ? state_.micMixRate
                                                                                        : state_.speakerMixRate)));
        if (answer == platform::IDYES) {
            fixNow(endpoint.instructions);
            return 0;
        }
    }
    if (platform::failed(probe.hr)) {
        log(platform::format("\r\n\r\nEXIT ERROR %d hr=0x%08x %s", probe.stage >= 7 ? 2 : 0,
                             static_cast<unsigned>(probe.hr),
                             probe.hr == platform::AUDCLNT_E_UNSUPPORTED_FORMAT ? "AUDCLNT_E_UNSUPPORTED_FORMAT" : ""));
    }
    // Failures before a format could be tried are left to the graph build.
    if (probe.stage < 5) return 0;

    if (endpoint.microphone) {
        ctx_.platform.messageBox.show(platform::format(
            "Microphone recording cannot be setup. Make sure your audio system is not setup on surround, "
            "quadrophonic sound or audio sample rates higher than 48000 Hz. You may have to change your speakers "
            "settings to Stereo, 48000 or 44000 sample rate. (ERROR %d)",
            probe.stage));
    } else {
        const int answer = ask(platform::format(
            "Speaker audio recording cannot be setup. Make sure your audio system is not surround or quadrophonic "
            "or audio sample rates are higher than 48000 Hz. You may have to change your speakers settings to "
            "Stereo, 48000 or 44100 sample rate. (ERROR %d)\r\n\r\nWould you like to do this now?",
            probe.stage));
        if (answer == platform::IDYES) {
            fixNow(kSpeakersInstructions);
            return probe.hr;
        }
    }
    ctx_.platform.launcher.execute("open", ".\\AudioHelp.rtf", "", platform::ShowState::Normal);
    return probe.hr;
}

int CoreAudio::UnmuteSecondSource(const std::string& name) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    std::vector<platform::AudioSourceInfo> all;
    if (AudioStatus status = audio_.sources(all); !status.ok()) log("\r\n" + status.message);
    // Monitors record sinks: only real sources are capture devices.
    std::vector<const platform::AudioSourceInfo*> devices;
    for (const auto& source : all)
        if (!source.isMonitor) devices.push_back(&source);

    int error = 0;
    if (devices.empty()) {
        box.show("No audio recording devices found (microphone disabled or disconnected)");
        error = 105;
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        // The list carries every description, so reading one cannot fail here.
        error = 0;
        if (devices[i]->description.find(name) == std::string::npos) continue;
        state_.secondSourceIndex = static_cast<int>(i);
        const AudioStatus unmuted = audio_.setSourceMute(devices[i]->index, false);
        if (unmuted.ok()) {
            state_.secondSourceName = devices[i]->name;
        } else {
            log("\r\n" + unmuted.message);
            box.show(platform::format("Unable to activate volume on device %s (hr=%x)", name.c_str(),
                                      static_cast<unsigned>(unmuted.hr)));
        }
        break;
    }
    if (error != 0) {
        box.show(platform::format("ERROR %d. Cannot setup second audio source %s", error, name.c_str()));
        return 0;
    }
    return 1;
}

HRESULT CoreAudio::GetDefaultMicrophoneName() {
    platform::AudioSourceInfo source;
    if (!audio_.defaultSource(source).ok() || source.isMonitor) return platform::E_FAIL;
    state_.defaultMicName = truncated(source.description, kMaxMicNameLength);
    ctx_.audio.defaultMicrophoneName = state_.defaultMicName;
    return platform::S_OK;
}

void CoreAudio::log(const std::string& text) { ctx_.platform.log.append(text); }

int CoreAudio::ask(const std::string& text) {
    return ctx_.platform.messageBox.show(text, platform::MessageButtons::YesNo);
}

void CoreAudio::fixNow(const char* instructions) {
    Platform& p = ctx_.platform;
    // The launcher hands the script over and returns at once, so the sound
    // settings start from here without a thread of their own.
    p.pump.pump(1000);
    p.launcher.execute("open", ".\\sound.bat", "", platform::ShowState::Normal);
    p.pump.pump(1000);
    // Shown before the program ends, so the user can read it.
    p.messageBox.show(instructions);
    ctx_.recording = false;
    exitPath_();
}

}  // namespace talvora
