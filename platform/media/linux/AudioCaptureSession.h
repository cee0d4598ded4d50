#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
#include "platform/media/linux/SoundTimeline.h"

namespace platform {

// The two sides a capture may record.
enum class AudioSide { Remote, Local };

// One run of an audio capture: a worker that reads the remote and/or the
// local stream, mixes them and delivers samples of 50 ms (the capture
// format's 8820-byte buffers) on `out`. The remote stream sets the pace; the
// local one joins through a jitter buffer.
//
// Samples are stamped on the graph's stream clock. The pace stream's sound
// is placed where its capture time says (SoundTimeline): a stall of the
// source becomes silence of the same length, an overlap is dropped. While
// the pace stream delivers nothing for longer than a stall margin, or is
// gone, silence (with the local side) is delivered in real time; a broken
// stream is opened again every second, so that sound resumes, in step, once
// the device or the sound server is back. Made and destroyed on the UI
// thread by the filter's state changes.
class AudioCaptureSession {
public:
    static constexpr AudioFormat kFormat{44100, 2, 16};
    static constexpr int kFramesPerSample = kFormat.sampleRate / 20;
    // Two encoder frames of sound: closer than this, sound is counted on
    // smoothly; farther, it is placed anew.
    static constexpr std::int64_t kResyncFrames = 4096;
    // How long the pace stream may deliver nothing before silence is
    // delivered in its place: well above a fragment's usual latency.
    static constexpr std::int64_t kStallFrames = kFormat.sampleRate * 3 / 10;

    // Worker thread: opens the stream of one side again after it broke.
    using Reopen = std::function<AudioStatus(AudioSide side, std::unique_ptr<AudioRecordStream>& stream)>;

    // At least one of the streams; both are read on the worker only.
    AudioCaptureSession(std::unique_ptr<AudioRecordStream> remote, std::unique_ptr<AudioRecordStream> local,
                        AudioMixer& mixer, const Pin& out, DiagnosticLog& log, const StreamClock* clock = nullptr,
                        Reopen reopen = {});
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
    // Frames of silence put in for stalls and outages, and frames dropped as
    // overlaps, so far.
    std::int64_t insertedFrames() const { return insertedFrames_; }
    std::int64_t droppedFrames() const { return droppedFrames_; }

private:
    struct Side {
        std::unique_ptr<AudioRecordStream> stream;
        bool wanted = false;  // recorded in this run
        std::chrono::steady_clock::time_point retryAt{};
    };

    void run();
    void capture();
    // Reads the side; a broken stream is closed and retried later.
    AudioStatus read(Side& side, AudioSide which, std::vector<std::int16_t>& samples,
                     std::chrono::milliseconds timeout, AudioCaptureTime* capturedAt);
    void reopenIfDue(Side& side, AudioSide which);
    // Places and mixes a chunk of the pace stream onto `pending`.
    void addPaced(std::vector<std::int16_t>& paced, const AudioCaptureTime& capturedAt,
                  std::vector<std::int16_t>& pending);
    // Silence (with the local side) up to stream frame `until`.
    void fillTo(std::int64_t until, std::vector<std::int16_t>& pending);
    // Stream time now, in frames; nothing without a clock.
    std::optional<std::int64_t> clockFrames() const;
    // The end of what was delivered and what waits in `pending`.
    std::int64_t end(const std::vector<std::int16_t>& pending) const;
    // Sends whole 50 ms samples out of `pending`; with `all`, the rest too.
    void deliver(std::vector<std::int16_t>& pending, bool all);

    static constexpr std::chrono::milliseconds kReadWait{100};
    static constexpr std::chrono::seconds kRetryEvery{1};

    Side remote_;
    Side local_;
    AudioMixer& mixer_;
    const Pin& out_;
    DiagnosticLog& log_;
    // The graph's clock, on which the sound is placed.
    const StreamClock* clock_;
    Reopen reopen_;
    SoundTimeline timeline_{kResyncFrames};
    // The pace stream tells capture times: a silent stretch is a stall.
    bool paceTimed_ = false;
    JitterBuffer localBuffer_;
    std::vector<std::int16_t> localSamples_, mixed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finish_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> deliveredFrames_{0};
    std::atomic<std::int64_t> insertedFrames_{0};
    std::atomic<std::int64_t> droppedFrames_{0};


    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace platform
