#pragma once

#include <chrono>

#include "platform/audio/AudioSystem.h"

namespace platform {

// The sound system on a PulseAudio server (or PipeWire's PulseAudio
// service). Each call makes its own short connection, so calls from several
// threads never share state and a restarted server is simply found again.
class PulseAudioSystem : public AudioSystem {
public:
    // Longest wait for the server per step (connect, each query, stream start).
    explicit PulseAudioSystem(std::chrono::milliseconds timeout = std::chrono::seconds(3)) : timeout_(timeout) {}

    AudioStatus connect() override;
    AudioStatus sources(std::vector<AudioSourceInfo>& list) override;
    AudioStatus defaultSink(AudioSinkInfo& sink) override;
    AudioStatus defaultSource(AudioSourceInfo& source) override;
    AudioStatus setSourceMute(std::uint32_t index, bool mute) override;
    AudioStatus setSourceMute(const std::string& name, bool mute) override;
    AudioStatus setSourcePort(std::uint32_t index, const std::string& port) override;
    AudioStatus openRecordStream(const std::string& sourceName, int sampleRate, int channels,
                                 std::unique_ptr<AudioRecordStream>& stream) override;

private:
    std::chrono::milliseconds timeout_;
};

}  // namespace platform
