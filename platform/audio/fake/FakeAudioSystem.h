#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio/AudioSystem.h"
#include "platform/audio/fake/FakeRecordStream.h"

namespace platform {

// A sound server scripted by the test: its devices and defaults, whether it
// answers at all, and the audio each source records. Any thread.
class FakeAudioSystem : public AudioSystem {
public:
    void addSource(AudioSourceInfo source);
    // Adds the sink and its monitor source "<name>.monitor".
    void addSink(AudioSinkInfo sink);
    void setDefaultSink(const std::string& name);
    void setDefaultSource(const std::string& name);
    // A server that is down fails every call.
    void setAvailable(bool available);

    // Interleaved samples recorded now by every open stream of the source;
    // with `capturedAt`, the streams say they were recorded then.
    void feed(const std::string& sourceName, const std::vector<std::int16_t>& samples,
              AudioCaptureTime capturedAt = {});
    // Samples fed but not yet read, over the source's open streams.
    std::size_t pending(const std::string& sourceName);
    // Breaks the source's open streams, as when a device is unplugged.
    void breakStreams(const std::string& sourceName);
    int openStreams(const std::string& sourceName);
    // Every mute change: source name (or "#index") and the new state.
    std::vector<std::pair<std::string, bool>> muteChanges();

    // Every stream the source is asked for then fails with `hr` (S_OK: none).
    void refuseStreams(const std::string& sourceName, HRESULT hr);

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
    AudioStatus down() const;
    AudioSourceInfo* findSource(const std::string& name);
    // The lines of the source's streams that still exist.
    std::vector<std::shared_ptr<FakeRecordStream::Line>> liveLines(const std::string& sourceName);

    std::mutex mutex_;
    bool available_ = true;
    std::vector<AudioSourceInfo> sources_;
    std::vector<AudioSinkInfo> sinks_;
    std::string defaultSink_;
    std::string defaultSource_;
    std::map<std::string, std::vector<std::weak_ptr<FakeRecordStream::Line>>> lines_;
    std::vector<std::pair<std::string, bool>> muteChanges_;
    std::map<std::string, HRESULT> refused_;
};

}  // namespace platform
