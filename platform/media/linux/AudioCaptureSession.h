#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioSystem.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/media/MediaType.h"
#include "platform/media/Pin.h"
#include "platform/media/StreamClock.h"
#include "platform/media/linux/AudioMixer.h"
#include "platform/media/linux/JitterBuffer.h"

namespace platform {

// One run of an audio capture: a worker that reads the remote and/or the
// local stream, mixes them and delivers samples of 50 ms (the capture
// format's 8820-byte buffers) on `out`, stamped by the number of frames
// delivered before them, so the stream has no gap even across a pause.
// The remote stream sets the pace; the local one joins through a jitter
// buffer. Made and destroyed on the UI thread by the
// filter's state changes.
class AudioCaptureSession {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};
    static constexpr int kFramesPerSample = kFormat.sampleRate / 20;

    // At least one of the streams; both are read on the worker only.
    AudioCaptureSession(std::unique_ptr<AudioRecordStream> remote, std::unique_ptr<AudioRecordStream> local,
                        AudioMixer& mixer, const Pin& out, DiagnosticLog& log, const StreamClock* clock = nullptr);
    // Stops the worker and returns once the end of the stream is delivered.
    ~AudioCaptureSession();
    AudioCaptureSession(const AudioCaptureSession&) = delete;
    AudioCaptureSession& operator=(const AudioCaptureSession&) = delete;

    // UI thread: audio is kept only while running; what arrives while paused
    // is read and thrown away, so a resumed recording starts with new audio.
    void setRunning(bool running);
    // Any thread: delivers what is held, ends the stream and records no more.
    void finish();

    std::int64_t deliveredFrames() const { return deliveredFrames_; }

private:
    void run();
    void capture();
    // Sends whole 50 ms samples out of `pending`; with `all`, the rest too.
    void deliver(std::vector<std::int16_t>& pending, bool all);

    static constexpr std::chrono::milliseconds kReadWait{100};

    std::unique_ptr<AudioRecordStream> remote_;
    std::unique_ptr<AudioRecordStream> local_;
    AudioMixer& mixer_;
    const Pin& out_;
    DiagnosticLog& log_;
    // The graph's clock: sound that starts arriving late is placed where it
    // belongs in stream time, after silence, so it stays with the picture.
    const StreamClock* clock_;
    bool placed_ = false;
    JitterBuffer localBuffer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finish_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> deliveredFrames_{0};

    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace platform
