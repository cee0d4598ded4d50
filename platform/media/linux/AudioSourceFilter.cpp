#include "platform/media/linux/AudioSourceFilter.h"

#include "platform/media/MediaErrors.h"

namespace platform {

AudioSourceFilter::AudioSourceFilter(AudioSystem& audio, DiagnosticLog& log, AudioSourceInfo source)
    : LiveAudioFilter(kAudioRecordClassId, "Capture", audio, log), source_(std::move(source)) {
    for (const auto& port : source_.ports)
        addPin(port.description.empty() ? port.name : port.description, PinDirection::Input);
}

HRESULT AudioSourceFilter::acceptType(Pin&, const MediaType&) { return VFW_E_TYPE_NOT_ACCEPTED; }

AudioStatus AudioSourceFilter::openStreams(std::unique_ptr<AudioRecordStream>&,
                                           std::unique_ptr<AudioRecordStream>& local) {
    constexpr AudioFormat f = AudioCaptureSession::kFormat;
    return audio().openRecordStream(source_.name, f.sampleRate, f.channels, local);
}

AudioCaptureSession::Reopen AudioSourceFilter::reopener() {
    return [&audio = audio(), name = source_.name](AudioSide, std::unique_ptr<AudioRecordStream>& stream) {
        constexpr AudioFormat f = AudioCaptureSession::kFormat;
        return audio.openRecordStream(name, f.sampleRate, f.channels, stream);
    };
}

}  // namespace platform
