#pragma once

#include "platform/media/linux/LiveAudioFilter.h"

namespace platform {

// The class of the system's audio capture devices.
constexpr const char* kAudioRecordClassId = "{E30629D2-27E5-11CE-875D-00608CB78066}";

// One sound source of the audio capture category, recorded alone on the
// output pin "Capture". Its input lines (ports) appear as input pins, which
// take no connection.
class AudioSourceFilter : public LiveAudioFilter {
public:
    AudioSourceFilter(AudioSystem& audio, DiagnosticLog& log, AudioSourceInfo source);

    const AudioSourceInfo& source() const { return source_; }
    HRESULT acceptType(Pin& input, const MediaType& type) override;

protected:
    AudioStatus openStreams(std::unique_ptr<AudioRecordStream>& remote,
                            std::unique_ptr<AudioRecordStream>& local) override;
    AudioCaptureSession::Reopen reopener() override;

private:
    AudioSourceInfo source_;
};

}  // namespace platform
