#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/audio/AudioSystem.h"
#include "platform/audio/linux/PulseConnection.h"
#include "platform/audio/linux/PulseHandles.h"

namespace platform {

// A record stream of one source on a connection of its own, so that a
// recording lives and fails independently of every other call.
class PulseRecordStream : public AudioRecordStream {
public:
    static constexpr std::chrono::milliseconds kFragment{50};

    // Connects and starts recording within `timeout`. Any thread.
    static AudioStatus open(std::chrono::milliseconds timeout, const std::string& sourceName, int sampleRate,
                            int channels, std::unique_ptr<AudioRecordStream>& stream);
    ~PulseRecordStream() override;

    // The capture time is the read's time minus the server's latency of the
    // stream (what the source and this stream hold unread).
    AudioStatus read(std::vector<std::int16_t>& samples, std::chrono::milliseconds timeout,
                     AudioCaptureTime* capturedAt) override;
    const std::string& sourceName() const override { return sourceName_; }
    AudioStatus bufferFrames(std::uint32_t& frames) override;

private:
    PulseRecordStream() = default;
    AudioStatus broken() const;

    std::unique_ptr<PulseConnection> connection_;
    PulseStreamPtr stream_;
    std::string sourceName_;
};

}  // namespace platform
