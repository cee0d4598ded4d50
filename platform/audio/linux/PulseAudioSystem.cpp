#include "platform/audio/linux/PulseAudioSystem.h"

#include "platform/audio/AudioErrors.h"
#include "platform/audio/linux/PulseConnection.h"
#include "platform/audio/linux/PulseRecordStream.h"

namespace platform {
namespace {

std::string text(const char* s) { return s != nullptr ? s : ""; }

AudioSampleSpec specOf(const pa_sample_spec& sampleFormat) {
    const bool floating = sampleFormat.format == PA_SAMPLE_FLOAT32LE || sampleFormat.format == PA_SAMPLE_FLOAT32BE;
    return {static_cast<int>(sampleFormat.rate), sampleFormat.channels, static_cast<int>(pa_sample_size(&sampleFormat) * 8), floating};
}

AudioSourceInfo sourceOf(const pa_source_info& info) {
    AudioSourceInfo source;
    source.index = info.index;
    source.name = text(info.name);
    source.description = text(info.description);
    for (std::uint32_t i = 0; i < info.n_ports; ++i)
        source.ports.push_back({text(info.ports[i]->name), text(info.ports[i]->description)});
    if (info.active_port != nullptr) source.activePort = text(info.active_port->name);
    source.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX;
    source.muted = info.mute != 0;
    source.sampleFormat = specOf(info.sample_spec);
    return source;
}

// What a list or by-name query collects; eol < 0 is the server's "no such".
template <class Info>
struct Query {
    std::vector<Info> found;
    bool failed = false;
};

void onSource(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* query = static_cast<Query<AudioSourceInfo>*>(userdata);
    if (eol < 0) query->failed = true;
    if (eol == 0 && info != nullptr) query->found.push_back(sourceOf(*info));
}

void onSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<Query<AudioSinkInfo>*>(userdata);
    if (eol < 0) query->failed = true;
    if (eol == 0 && info != nullptr)
        query->found.push_back({info->index, text(info->name), text(info->description),
                                text(info->monitor_source_name), specOf(info->sample_spec)});
}

struct Defaults {
    std::string sink;
    std::string source;
};

void onServer(pa_context*, const pa_server_info* info, void* userdata) {
    if (info == nullptr) return;
    auto* defaults = static_cast<Defaults*>(userdata);
    defaults->sink = text(info->default_sink_name);
    defaults->source = text(info->default_source_name);
}

void onSuccess(pa_context*, int success, void* userdata) { *static_cast<bool*>(userdata) = success != 0; }

AudioStatus defaults(PulseConnection& connection, Defaults& names) {
    return connection.finish(pa_context_get_server_info(connection.context(), onServer, &names),
                             "cannot read the sound server's defaults");
}

template <class Info>
AudioStatus single(PulseConnection& connection, pa_operation* operation, const Query<Info>& query,
                   const std::string& what, Info& result) {
    if (AudioStatus status = connection.finish(operation, what); !status.ok()) return status;
    if (query.failed || query.found.empty()) return {E_NOTFOUND, what + ": no such device"};
    result = query.found.front();
    return {};
}

// Runs `work` on a fresh connection with its lock held.
template <class Work>
AudioStatus connected(std::chrono::milliseconds timeout, Work work) {
    std::unique_ptr<PulseConnection> connection;
    if (AudioStatus status = PulseConnection::open(timeout, connection); !status.ok()) return status;
    PulseConnection::Lock lock(*connection);
    return work(*connection);
}

// `start` begins the mute change on a context with a success callback and its data.
template <class Start>
AudioStatus changeMute(std::chrono::milliseconds timeout, const std::string& what, Start start) {
    return connected(timeout, [&](PulseConnection& connection) {
        bool done = false;
        AudioStatus status = connection.finish(start(connection.context(), onSuccess, &done), what);
        if (status.ok() && !done) return connection.failure(what);
        return status;
    });
}

}  // namespace

AudioStatus PulseAudioSystem::connect() {
    return connected(timeout_, [](PulseConnection& connection) {
        Defaults names;
        return defaults(connection, names);
    });
}

AudioStatus PulseAudioSystem::sources(std::vector<AudioSourceInfo>& list) {
    list.clear();
    return connected(timeout_, [&](PulseConnection& connection) {
        Query<AudioSourceInfo> query;
        AudioStatus status = connection.finish(pa_context_get_source_info_list(connection.context(), onSource, &query),
                                               "cannot list the sound sources");
        if (status.ok()) list = std::move(query.found);
        return status;
    });
}

AudioStatus PulseAudioSystem::defaultSink(AudioSinkInfo& sink) {
    return connected(timeout_, [&](PulseConnection& connection) {
        Defaults names;
        if (AudioStatus status = defaults(connection, names); !status.ok()) return status;
        if (names.sink.empty()) return AudioStatus{E_NOTFOUND, "the sound server has no default sink"};
        Query<AudioSinkInfo> query;
        return single(connection,
                      pa_context_get_sink_info_by_name(connection.context(), names.sink.c_str(), onSink, &query),
                      query, "cannot read the default sink \"" + names.sink + "\"", sink);
    });
}

AudioStatus PulseAudioSystem::defaultSource(AudioSourceInfo& source) {
    return connected(timeout_, [&](PulseConnection& connection) {
        Defaults names;
        if (AudioStatus status = defaults(connection, names); !status.ok()) return status;
        if (names.source.empty()) return AudioStatus{E_NOTFOUND, "the sound server has no default source"};
        Query<AudioSourceInfo> query;
        return single(connection,
                      pa_context_get_source_info_by_name(connection.context(), names.source.c_str(), onSource, &query),
                      query, "cannot read the default source \"" + names.source + "\"", source);
    });
}

AudioStatus PulseAudioSystem::setSourceMute(std::uint32_t index, bool mute) {
    return changeMute(timeout_, "cannot set the mute of source #" + std::to_string(index),
                      [&](pa_context* context, pa_context_success_cb_t callback, void* data) {
                          return pa_context_set_source_mute_by_index(context, index, mute, callback, data);
                      });
}

AudioStatus PulseAudioSystem::setSourceMute(const std::string& name, bool mute) {
    return changeMute(timeout_, "cannot set the mute of source \"" + name + "\"",
                      [&](pa_context* context, pa_context_success_cb_t callback, void* data) {
                          return pa_context_set_source_mute_by_name(context, name.c_str(), mute, callback, data);
                      });
}

AudioStatus PulseAudioSystem::setSourcePort(std::uint32_t index, const std::string& port) {
    return changeMute(timeout_, "cannot select port \"" + port + "\" of source #" + std::to_string(index),
                      [&](pa_context* context, pa_context_success_cb_t callback, void* data) {
                          return pa_context_set_source_port_by_index(context, index, port.c_str(), callback, data);
                      });
}

AudioStatus PulseAudioSystem::openRecordStream(const std::string& sourceName, int sampleRate, int channels,
                                               std::unique_ptr<AudioRecordStream>& stream) {
    return PulseRecordStream::open(timeout_, sourceName, sampleRate, channels, stream);
}

}  // namespace platform
