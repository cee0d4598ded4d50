#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/HResult.h"

namespace platform {

// Outcome of a call to the sound system: a result code and, on failure, the
// sound server's own words for the log.
struct AudioStatus {
    HRESULT hr = S_OK;
    std::string message;
    bool ok() const { return succeeded(hr); }
};

// The sound server's format of a device.
struct AudioSampleSpec {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    bool floatingPoint = false;
};

// An input line of a source (a microphone jack, line in, ...).
struct AudioPort {
    std::string name;
    std::string description;
};

// A capture device; a monitor source records what a sink plays.
struct AudioSourceInfo {
    std::uint32_t index = 0;
    std::string name;         // the server's unique name
    std::string description;  // friendly name shown to the user
    std::vector<AudioPort> ports;
    std::string activePort;   // name of the port in use, empty when none
    bool isMonitor = false;
    bool muted = false;
    AudioSampleSpec sampleFormat;
};

// A playback device; its monitor source is the loopback of what it plays.
struct AudioSinkInfo {
    std::uint32_t index = 0;
    std::string name;
    std::string description;
    std::string monitorSource;
    AudioSampleSpec sampleFormat;
};

// When the first sample a read appended was recorded, on the steady clock;
// empty when the stream cannot tell.
using AudioCaptureTime = std::optional<std::chrono::steady_clock::time_point>;

// A live recording of one source as interleaved signed 16-bit samples. Read
// by one worker thread; destroyed on any thread once it no longer reads.
class AudioRecordStream {
public:
    virtual ~AudioRecordStream() = default;
    // Appends what has been recorded since the last call to `samples`,
    // waiting up to `timeout` while nothing is there. S_OK with data, S_FALSE
    // when the wait ended empty, a failure when the stream broke. With data,
    // `capturedAt` (when given) says when the first appended sample was
    // recorded, as far as the server knows.
    virtual AudioStatus read(std::vector<std::int16_t>& samples, std::chrono::milliseconds timeout,
                             AudioCaptureTime* capturedAt = nullptr) = 0;
    virtual const std::string& sourceName() const = 0;
    // Frames the server holds for this stream before it drops data.
    virtual AudioStatus bufferFrames(std::uint32_t& frames) {
        frames = 0;
        return {E_NOTIMPL, "the stream does not tell its buffer size"};
    }
};

// The sound server: its devices, defaults and recordings. Every call returns
// within the implementation's time-out, also when no server answers. Any
// thread; each call stands alone.
class AudioSystem {
public:
    virtual ~AudioSystem() = default;

    // Reaches the server and has it answer once.
    virtual AudioStatus connect() = 0;
    // All sources in the server's order, monitors included.
    virtual AudioStatus sources(std::vector<AudioSourceInfo>& list) = 0;
    virtual AudioStatus defaultSink(AudioSinkInfo& sink) = 0;
    virtual AudioStatus defaultSource(AudioSourceInfo& source) = 0;

    virtual AudioStatus setSourceMute(std::uint32_t index, bool mute) = 0;
    virtual AudioStatus setSourceMute(const std::string& name, bool mute) = 0;

    // Makes the named port the source's active input line.
    virtual AudioStatus setSourcePort(std::uint32_t index, const std::string& port) = 0;

    // Records the source of that server name, converted to S16 at the given
    // rate and channel count, in fragments of about 20 ms.
    virtual AudioStatus openRecordStream(const std::string& sourceName, int sampleRate, int channels,
                                         std::unique_ptr<AudioRecordStream>& stream) = 0;

    // Records what the default sink plays, through its monitor source.
    AudioStatus openLoopbackStream(int sampleRate, int channels, std::unique_ptr<AudioRecordStream>& stream);
};

}  // namespace platform
