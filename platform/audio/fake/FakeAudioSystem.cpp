#include "platform/audio/fake/FakeAudioSystem.h"

#include <algorithm>

#include "platform/audio/AudioErrors.h"

namespace platform {

void FakeAudioSystem::addSource(AudioSourceInfo source) {
    std::lock_guard lock(mutex_);
    source.index = static_cast<std::uint32_t>(sources_.size());
    sources_.push_back(std::move(source));
}

void FakeAudioSystem::addSink(AudioSinkInfo sink) {
    AudioSourceInfo monitor;
    monitor.name = sink.name + ".monitor";
    monitor.description = "Monitor of " + sink.description;
    monitor.isMonitor = true;
    monitor.sampleFormat = sink.sampleFormat;
    sink.monitorSource = monitor.name;
    {
        std::lock_guard lock(mutex_);
        sink.index = static_cast<std::uint32_t>(sinks_.size());
        sinks_.push_back(std::move(sink));
    }
    addSource(std::move(monitor));
}

void FakeAudioSystem::setDefaultSink(const std::string& name) {
    std::lock_guard lock(mutex_);
    defaultSink_ = name;
}

void FakeAudioSystem::setDefaultSource(const std::string& name) {
    std::lock_guard lock(mutex_);
    defaultSource_ = name;
}

void FakeAudioSystem::setAvailable(bool available) {
    std::lock_guard lock(mutex_);
    available_ = available;
}

std::vector<std::shared_ptr<FakeRecordStream::Line>> FakeAudioSystem::liveLines(const std::string& sourceName) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<FakeRecordStream::Line>> live;
    auto& lines = lines_[sourceName];
    std::erase_if(lines, [](const auto& line) { return line.expired(); });
    for (const auto& line : lines)
        if (auto l = line.lock()) live.push_back(std::move(l));
    return live;
}

void FakeAudioSystem::feed(const std::string& sourceName, const std::vector<std::int16_t>& samples,
                           AudioCaptureTime capturedAt) {
    for (const auto& line : liveLines(sourceName)) line->feed(samples, capturedAt);
}

std::size_t FakeAudioSystem::pending(const std::string& sourceName) {
    std::size_t total = 0;
    for (const auto& line : liveLines(sourceName)) total += line->pending();
    return total;
}

void FakeAudioSystem::breakStreams(const std::string& sourceName) {
    for (const auto& line : liveLines(sourceName)) line->breakDown();
}

int FakeAudioSystem::openStreams(const std::string& sourceName) {
    return static_cast<int>(liveLines(sourceName).size());
}

std::vector<std::pair<std::string, bool>> FakeAudioSystem::muteChanges() {
    std::lock_guard lock(mutex_);
    return muteChanges_;
}

AudioStatus FakeAudioSystem::down() const {
    return {AUDCLNT_E_SERVICE_NOT_RUNNING, "cannot connect to the sound server: Connection refused"};
}

AudioSourceInfo* FakeAudioSystem::findSource(const std::string& name) {
    auto it = std::find_if(sources_.begin(), sources_.end(), [&](const auto& s) { return s.name == name; });
    return it == sources_.end() ? nullptr : &*it;
}

AudioStatus FakeAudioSystem::sources(std::vector<AudioSourceInfo>& list) {
    std::lock_guard lock(mutex_);
    list.clear();
    if (!available_) return down();
    list = sources_;
    return {};
}

AudioStatus FakeAudioSystem::defaultSink(AudioSinkInfo& sink) {
    std::lock_guard lock(mutex_);
    if (!available_) return down();
    for (const auto& s : sinks_) {
        if (s.name != defaultSink_) continue;
        sink = s;
        return {};
    }
    return {E_NOTFOUND, "the sound server has no default sink"};
}

AudioStatus FakeAudioSystem::defaultSource(AudioSourceInfo& source) {
    std::lock_guard lock(mutex_);
    if (!available_) return down();
    if (const AudioSourceInfo* found = findSource(defaultSource_)) {
        source = *found;
        return {};
    }
    return {E_NOTFOUND, "the sound server has no default source"};
}

AudioStatus FakeAudioSystem::setSourceMute(std::uint32_t index, bool mute) {
    std::lock_guard lock(mutex_);
    if (!available_) return down();
    if (index >= sources_.size()) return {E_NOTFOUND, "no source #" + std::to_string(index)};
    sources_[index].muted = mute;
    muteChanges_.emplace_back("#" + std::to_string(index), mute);
    return {};
}

AudioStatus FakeAudioSystem::setSourceMute(const std::string& name, bool mute) {
    std::lock_guard lock(mutex_);
    if (!available_) return down();
    AudioSourceInfo* source = findSource(name);
    if (source == nullptr) return {E_NOTFOUND, "no source \"" + name + "\""};
    source->muted = mute;
    muteChanges_.emplace_back(name, mute);
    return {};
}

AudioStatus FakeAudioSystem::setSourcePort(std::uint32_t index, const std::string& port) {
    std::lock_guard lock(mutex_);
    if (!available_) return down();
    for (auto& source : sources_) {
        if (source.index != index) continue;
        for (const auto& p : source.ports) {
            if (p.name != port) continue;
            source.activePort = port;
            return {};
        }
    }
    return {E_NOTFOUND, "no port \"" + port + "\" on source #" + std::to_string(index)};
}

void FakeAudioSystem::refuseStreams(const std::string& sourceName, HRESULT hr) {
    std::lock_guard lock(mutex_);
    refused_[sourceName] = hr;
}

AudioStatus FakeAudioSystem::connect() {
    std::lock_guard lock(mutex_);
    return available_ ? AudioStatus{} : down();
}

AudioStatus FakeAudioSystem::openRecordStream(const std::string& sourceName, int, int,
                                              std::unique_ptr<AudioRecordStream>& stream) {
    std::lock_guard lock(mutex_);
    stream.reset();
    if (!available_) return down();
    if (findSource(sourceName) == nullptr) return {E_NOTFOUND, "cannot record \"" + sourceName + "\": No such entity"};
    if (auto refused = refused_.find(sourceName); refused != refused_.end() && failed(refused->second))
        return {refused->second, "cannot record \"" + sourceName + "\": Not supported"};
    auto line = std::make_shared<FakeRecordStream::Line>();
    lines_[sourceName].push_back(line);
    stream = std::make_unique<FakeRecordStream>(sourceName, std::move(line));
    return {};
}

}  // namespace platform
