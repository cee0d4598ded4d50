#pragma once

#include <functional>
#include <string>

#include "audio/CoreAudioState.h"
#include "audio/WaveFormat.h"
#include "platform/core/HResult.h"

namespace platform {
class AudioSystem;
}  // namespace platform

namespace talvora {

struct AppContext;

// Checks that the default speakers (sink) and microphone (source) can be
// recorded in a plain format, 44100 or 48000 Hz and a stereo mix for the
// speakers; logs what it finds, tells the user what is wrong and offers to
// fix it. Also unmutes the second source and reads the default microphone's
// name. Every call runs on the UI thread and blocks it; every sound server
// wait is bounded by the AudioSystem's time-out.
class CoreAudio {
public:
    // `exitPath` is the recorder window's exit path (timer and hotkeys
    // released, settings saved, process ends with code 0); the fix-now offer
    // ends the program through it.
    CoreAudio(AppContext& ctx, platform::AudioSystem& audio, std::function<void()> exitPath);

    // 1 when the speakers' loopback records at 44100 or 48000 Hz; 0 when the
    // probe failed before a format could be tried, or the rate is not one of
    // those; otherwise the failing result code.
    int CheckSpeakersFormat();
    // The same for the default microphone; call after CheckSpeakersFormat,
    // whose rate it compares with.
    int CheckMicrophoneFormat();
    // Unmutes the first real source whose description contains `name`
    // (case-sensitive). 1 on success, 0 after an error message.
    int UnmuteSecondSource(const std::string& name);
    // S_OK with state().defaultMicName filled, E_FAIL otherwise.
    platform::HRESULT GetDefaultMicrophoneName();

    const CoreAudioState& state() const { return state_; }

private:
    struct Endpoint;
    struct Probe;

    int checkFormat(const Endpoint& endpoint);
    // Stages 1 to 3: the server, the default device and the source to record.
    void findEndpoint(const Endpoint& endpoint, Probe& probe, WaveFormat& mix, std::string& recordFrom);
    // Stages 5 to 9 on the proposed format.
    void tryFormat(Probe& probe, const WaveFormat& mix, const WaveFormat& proposed,
                   const std::string& recordFrom);
    int finishFailed(const Endpoint& endpoint, const Probe& probe);
    void log(const std::string& text);
    int ask(const std::string& text);
    // Opens the sound settings, shows the instructions and ends the program.
    void fixNow(const char* instructions);

    AppContext& ctx_;
    platform::AudioSystem& audio_;
    std::function<void()> exitPath_;
    CoreAudioState state_;
};

}  // namespace talvora
