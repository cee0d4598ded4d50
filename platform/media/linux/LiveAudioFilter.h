#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioSystem.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/media/Filter.h"
#include "platform/media/linux/AudioCaptureSession.h"
#include "platform/media/linux/AudioMixer.h"

namespace platform {

// A source filter that records live sound: one output pin delivering 44100 Hz
// 16-bit stereo. Its streams are opened when the graph leaves Stopped (a
// missing sound server fails that state change with E_FAIL) and closed when
// it stops; audio is delivered only while the graph runs.
class LiveAudioFilter : public Filter {
public:
    LiveAudioFilter(std::string classId, const std::string& outputPin, AudioSystem& audio, DiagnosticLog& log);
    ~LiveAudioFilter() override;

    MediaType offeredType(const Pin& output) const override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;

protected:
    // UI thread, when leaving Stopped: opens the remote (loopback) and/or the
    // local stream; null streams are not recorded. A failure is logged by
    // the caller and fails the state change.
    virtual AudioStatus openStreams(std::unique_ptr<AudioRecordStream>& remote,
                                    std::unique_ptr<AudioRecordStream>& local) = 0;
    // UI thread, when leaving Stopped: how the run's worker opens a side
    // again after its stream broke; holds what it needs, since the filter
    // may be configured meanwhile.
    virtual AudioCaptureSession::Reopen reopener() = 0;

    AudioSystem& audio() { return audio_; }
    DiagnosticLog& log() { return log_; }
    AudioMixer& mixer() { return mixer_; }
    // The running session, null while stopped.
    AudioCaptureSession* session() { return session_.get(); }

private:
    AudioSystem& audio_;
    DiagnosticLog& log_;
    Pin& output_;
    AudioMixer mixer_;
    std::unique_ptr<AudioCaptureSession> session_;
};

}  // namespace platform
