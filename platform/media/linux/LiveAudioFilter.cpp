#include "platform/media/linux/LiveAudioFilter.h"

namespace platform {

LiveAudioFilter::LiveAudioFilter(std::string classId, const std::string& outputPin, AudioSystem& audio,
                                 DiagnosticLog& log)
    : Filter(std::move(classId)),
      audio_(audio),
      log_(log),
      output_(addPin(outputPin, PinDirection::Output)),
      mixer_(AudioCaptureSession::kFormat.sampleRate, AudioCaptureSession::kFormat.channels) {}

LiveAudioFilter::~LiveAudioFilter() = default;

MediaType LiveAudioFilter::offeredType(const Pin&) const { return MediaType::ofAudio(AudioCaptureSession::kFormat); }

HRESULT LiveAudioFilter::changeState(FilterState from, FilterState to, StreamClock& clock) {
    if (to == FilterState::Stopped) {
        session_.reset();
        return S_OK;
    }
    if (from == FilterState::Stopped) {
        std::unique_ptr<AudioRecordStream> remote;
        std::unique_ptr<AudioRecordStream> local;
        if (AudioStatus status = openStreams(remote, local); !status.ok()) {
            log_.append("\r\nAudio capture cannot start: " + status.message);
            return E_FAIL;
        }
        if (!remote && !local) return E_FAIL;
        session_ = std::make_unique<AudioCaptureSession>(std::move(remote), std::move(local), mixer_, output_, log_,
                                                         &clock, reopener());
    }
    if (session_) session_->setRunning(to == FilterState::Running);
    return S_OK;
}

}  // namespace platform
