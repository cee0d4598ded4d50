#include "platform/audio/linux/PulseRecordStream.h"

#include <cstring>

#include "platform/audio/AudioErrors.h"

namespace platform {
namespace {

void onStreamState(pa_stream*, void* userdata) { static_cast<PulseConnection*>(userdata)->signal(); }
void onStreamRead(pa_stream*, std::size_t, void* userdata) { static_cast<PulseConnection*>(userdata)->signal(); }

}  // namespace

AudioStatus PulseRecordStream::open(std::chrono::milliseconds timeout, const std::string& sourceName, int sampleRate,
                                    int channels, std::unique_ptr<AudioRecordStream>& stream) {
    stream.reset();
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(sampleRate),
                              static_cast<std::uint8_t>(channels)};
    const bool valid = sampleRate > 0 && channels > 0 && channels <= static_cast<int>(PA_CHANNELS_MAX);
    if (!valid || !pa_sample_spec_valid(&sampleFormat)) {
        return {AUDCLNT_E_UNSUPPORTED_FORMAT,
                "cannot record " + std::to_string(sampleRate) + " Hz, " + std::to_string(channels) + " channels"};
    }

    std::unique_ptr<PulseRecordStream> s(new PulseRecordStream);
    s->sourceName_ = sourceName;
    if (AudioStatus status = PulseConnection::open(timeout, s->connection_); !status.ok()) return status;
    PulseConnection& connection = *s->connection_;
    const std::string what = "cannot record \"" + sourceName + "\"";
    {
        PulseConnection::Lock lock(connection);
        s->stream_.reset(pa_stream_new(connection.context(), "Recording", &sampleFormat, nullptr));
        if (!s->stream_) return connection.failure(what);
        pa_stream* raw = s->stream_.get();
        pa_stream_set_state_callback(raw, onStreamState, &connection);
        pa_stream_set_read_callback(raw, onStreamRead, &connection);
        // Fragments of the capture buffers' 50 ms: the mix stays close to real
        // time without waking the threads more often than a buffer fills.
        pa_buffer_attr attr;
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(-1);
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(
            pa_usec_to_bytes(static_cast<pa_usec_t>(kFragment.count()) * PA_USEC_PER_MSEC, &sampleFormat));
        // Timing kept up to date by the server and interpolated between its
        // updates: each read knows when its sound was recorded.
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                          PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_stream_connect_record(raw, sourceName.empty() ? nullptr : sourceName.c_str(), &attr, flags) < 0)
            return connection.failure(what);
        const bool settled = connection.waitUntil(
            [raw] {
                const pa_stream_state_t state = pa_stream_get_state(raw);
                return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
            },
            timeout);
        if (!settled) {
            return {AUDCLNT_E_SERVICE_NOT_RUNNING,
                    what + ": the sound server did not start it within " + std::to_string(timeout.count()) + " ms"};
        }
        if (pa_stream_get_state(raw) != PA_STREAM_READY) return connection.failure(what);
    }
    stream = std::move(s);
    return {};
}

PulseRecordStream::~PulseRecordStream() {
    // The loop's thread goes first; then nothing dispatches to the stream.
    if (connection_) connection_->stop();
    stream_.reset();
}

AudioStatus PulseRecordStream::broken() const {
    AudioStatus status = connection_->failure("recording of \"" + sourceName_ + "\" ended");
    if (status.hr == E_FAIL) status.hr = AUDCLNT_E_DEVICE_INVALIDATED;
    return status;
}

AudioStatus PulseRecordStream::read(std::vector<std::int16_t>& samples, std::chrono::milliseconds timeout,
                                    AudioCaptureTime* capturedAt) {
    if (capturedAt != nullptr) capturedAt->reset();
    PulseConnection::Lock lock(*connection_);
    pa_stream* stream = stream_.get();
    const bool ready = connection_->waitUntil(
        [stream] { return pa_stream_get_state(stream) != PA_STREAM_READY || pa_stream_readable_size(stream) > 0; },
        timeout);
    if (pa_stream_get_state(stream) != PA_STREAM_READY) return broken();
    if (!ready) return {S_FALSE, {}};
    // The latency of a record stream is what was recorded but not yet read:
    // the first sample about to be read was recorded that long ago.
    pa_usec_t latency_us = 0;
    int negative = 0;
    if (capturedAt != nullptr && pa_stream_get_latency(stream, &latency_us, &negative) == 0) {
        const auto latency = std::chrono::microseconds(static_cast<std::int64_t>(latency_us));
        *capturedAt = std::chrono::steady_clock::now() - (negative != 0 ? -latency : latency);
    }
    for (;;) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0) return broken();
        if (bytes == 0) break;  // nothing more buffered
        const std::size_t old = samples.size();
        // A hole (no data) is a stretch the server lost: it is recorded as silence.
        samples.resize(old + bytes / sizeof(std::int16_t), 0);
        if (data != nullptr) std::memcpy(samples.data() + old, data, bytes - bytes % sizeof(std::int16_t));
        pa_stream_drop(stream);
    }
    return {};
}

AudioStatus PulseRecordStream::bufferFrames(std::uint32_t& frames) {
    frames = 0;
    PulseConnection::Lock lock(*connection_);
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_.get());
    const pa_sample_spec* sampleFormat = pa_stream_get_sample_spec(stream_.get());
    if (attr == nullptr || sampleFormat == nullptr) return connection_->failure("cannot read the buffer of \"" + sourceName_ + "\"");
    frames = static_cast<std::uint32_t>(attr->maxlength / pa_frame_size(sampleFormat));
    return {};
}

}  // namespace platform
