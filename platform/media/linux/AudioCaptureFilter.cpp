#include "platform/media/linux/AudioCaptureFilter.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Format.h"

namespace platform {
namespace {

// The name under which the filter itself appears among the sources; as the
// local source it stands for the default one.
constexpr const char* kOwnName = "VozEza5";

MixSettings mixSettingsOf(const AudioCaptureSetup& setup) {
    MixSettings mix;
    mix.muteLocal = setup.mute != 0;
    mix.remoteGain = 1.0f - setup.procVolume;
    // A never chosen option (negative) is shown to the user as "lower".
    mix.smartMic = setup.recOption < 0 ? 1 : std::min(setup.recOption, 2);
    return mix;
}

}  // namespace

AudioCaptureFilter::AudioCaptureFilter(AudioSystem& audio, DiagnosticLog& log,
                                       std::shared_ptr<AudioCaptureSetup> shared)
    : LiveAudioFilter(kAudioCaptureClassId, "Out", audio, log), shared_(std::move(shared)), setup_(*shared_) {
    mixer().setSettings(mixSettingsOf(setup_));
}

HRESULT AudioCaptureFilter::configure(const AudioCaptureSetup& setup) {
    setup_ = setup;
    setup_.procVolume = std::isfinite(setup.procVolume) ? std::clamp(setup.procVolume, 0.0f, 1.0f) : 0.0f;
    mixer().setSettings(mixSettingsOf(setup_));
    // A stop concerns this recording only; later instances must not end at once.
    *shared_ = setup_;
    shared_->stopping = 0;
    if (setup_.stopping != 0 && session() != nullptr) session()->finish();
    log().append(format("\r\nAudio capture: dual=%d source=%s mute=%d option=%d stopping=%d single=%d volume=%.2f",
                        setup_.dualAudio, setup_.secondSource.c_str(), setup_.mute, setup_.recOption,
                        setup_.stopping, setup_.singleDevice, static_cast<double>(setup_.procVolume)));
    return S_OK;
}

AudioStatus AudioCaptureFilter::openStreams(std::unique_ptr<AudioRecordStream>& remote,
                                            std::unique_ptr<AudioRecordStream>& local) {
    constexpr AudioFormat f = AudioCaptureSession::kFormat;
    const bool remoteSide = setup_.singleDevice == 0;
    const bool localSide = setup_.singleDevice != 0 || setup_.dualAudio != 0;
    if (remoteSide) {
        if (AudioStatus status = audio().openLoopbackStream(f.sampleRate, f.channels, remote); !status.ok())
            return status;
    }
    if (localSide) {
        std::string name;
        AudioStatus status = localSource(audio(), log(), setup_.secondSource, name);
        if (status.ok()) status = audio().openRecordStream(name, f.sampleRate, f.channels, local);
        if (!status.ok()) {
            if (!remote) return status;
            // The call is still worth recording without the microphone.
            log().append("\r\nAudio capture records without the local side: " + status.message);
        }
    }
    return {};
}

AudioCaptureSession::Reopen AudioCaptureFilter::reopener() {
    // The remote side follows the default sink, which may have changed.
    return [&audio = audio(), &log = log(), secondSource = setup_.secondSource](
               AudioSide side, std::unique_ptr<AudioRecordStream>& stream) {
        constexpr AudioFormat f = AudioCaptureSession::kFormat;
        if (side == AudioSide::Remote) return audio.openLoopbackStream(f.sampleRate, f.channels, stream);
        std::string name;
        AudioStatus status = localSource(audio, log, secondSource, name);
        return status.ok() ? audio.openRecordStream(name, f.sampleRate, f.channels, stream) : status;
    };
}

AudioStatus AudioCaptureFilter::localSource(AudioSystem& audio, DiagnosticLog& log, const std::string& wanted,
                                            std::string& name) {
    if (!wanted.empty() && wanted != kOwnName) {
        std::vector<AudioSourceInfo> sources;
        if (AudioStatus status = audio.sources(sources); !status.ok()) return status;
        const AudioSourceInfo* found = nullptr;
        for (const auto& s : sources)
            if (found == nullptr && (s.name == wanted || s.description == wanted)) found = &s;
        // A part of the friendly name finds the device too, as when unmuting it.
        for (const auto& s : sources)
            if (found == nullptr && !s.isMonitor && s.description.find(wanted) != std::string::npos) found = &s;
        if (found != nullptr) {
            name = found->name;
            return {};
        }
        log.append("\r\nAudio capture finds no source \"" + wanted + "\" and records the default source");
    }
    AudioSourceInfo source;
    AudioStatus status = audio.defaultSource(source);
    if (status.ok()) name = source.name;
    return status;
}

}  // namespace platform
