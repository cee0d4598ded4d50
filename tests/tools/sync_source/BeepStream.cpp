#include "BeepStream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace talvora::tools {

namespace {

constexpr std::int64_t kBeepSamples = BeepStream::kBeep_us * BeepStream::kRate / 1'000'000;
// Irregular, so that no shift by whole gaps can pass for sync.
// Not whole multiples of a frame time either, so that the flashes begin at
// every phase of the grabs.
constexpr double kGaps_s[] = {1.313, 0.907, 1.721, 1.109, 1.531, 0.823, 1.949};
constexpr double kSchedule_s = 4 * 3600;

std::int64_t toMicroseconds(std::int64_t samples) { return samples * 1'000'000 / BeepStream::kRate; }

}  // namespace

class BeepStream::Lock {
public:
    explicit Lock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

void BeepStream::LoopDeleter::operator()(pa_threaded_mainloop* loop) const { pa_threaded_mainloop_free(loop); }
void BeepStream::ContextDeleter::operator()(pa_context* context) const {
    pa_context_disconnect(context);
    pa_context_unref(context);
}
void BeepStream::StreamDeleter::operator()(pa_stream* stream) const {
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

BeepStream::BeepStream(const std::string& clientName) {
    double t = 1.0;
    for (int i = 0; t < kSchedule_s; t += kGaps_s[i++ % std::size(kGaps_s)])
        beeps_.push_back(static_cast<std::int64_t>(std::llround(t * kRate)));

    loop_.reset(pa_threaded_mainloop_new());
    if (!loop_) throw std::runtime_error("cannot make a sound loop");
    context_.reset(pa_context_new(pa_threaded_mainloop_get_api(loop_.get()), clientName.c_str()));
    if (!context_) throw std::runtime_error("cannot make a sound context");
    pa_context_set_state_callback(context_.get(), &BeepStream::onState, this);
    if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_.get()) < 0)
        throw std::runtime_error("cannot reach the sound server");
    Lock lock(loop_.get());
    waitForReady("the sound server", [this] {
        const pa_context_state_t s = pa_context_get_state(context_.get());
        if (!PA_CONTEXT_IS_GOOD(s)) throw std::runtime_error("the sound server refused the connection");
        return s == PA_CONTEXT_READY;
    });
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    stream_.reset(pa_stream_new(context_.get(), "beeps", &format, nullptr));
    if (!stream_) throw std::runtime_error("cannot make a playback stream");
    pa_stream_set_state_callback(stream_.get(), &BeepStream::onStreamState, this);
    pa_stream_set_write_callback(stream_.get(), &BeepStream::onWrite, this);
    pa_stream_set_underflow_callback(stream_.get(), &BeepStream::onUnderflow, this);
    // The timing reports are interpolated with the local clock between
    // updates, so the time of the sample heard needs no round trip.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_.get(), nullptr, nullptr, flags, nullptr, nullptr) < 0)
        throw std::runtime_error("cannot start the playback stream");
    waitForReady("the playback stream", [this] {
        const pa_stream_state_t s = pa_stream_get_state(stream_.get());
        if (!PA_STREAM_IS_GOOD(s)) throw std::runtime_error("the playback stream failed");
        return s == PA_STREAM_READY;
    });
}

BeepStream::~BeepStream() {
    // Nothing may call back while the stream and the context go.
    if (loop_) pa_threaded_mainloop_stop(loop_.get());
}

void BeepStream::waitForReady(const char* what, const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) throw std::runtime_error(std::string("no answer from ") + what);
        pa_threaded_mainloop_wait(loop_.get());
    }
}

void BeepStream::onState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<BeepStream*>(self)->loop_.get(), 0);
}

void BeepStream::onStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<BeepStream*>(self)->loop_.get(), 0);
}

void BeepStream::onUnderflow(pa_stream*, void* self) { ++static_cast<BeepStream*>(self)->underruns_; }

void BeepStream::onWrite(pa_stream* stream, std::size_t bytes, void* self) {
    auto& s = *static_cast<BeepStream*>(self);
    void* data = nullptr;
    if (pa_stream_begin_write(stream, &data, &bytes) < 0 || data == nullptr) return;
    auto* out = static_cast<std::int16_t*>(data);
    const std::size_t count = bytes / sizeof(std::int16_t);
    for (std::size_t i = 0; i < count; ++i, ++s.written_) {
        const bool on = s.beepStart(s.written_).has_value();
        const double phase = 2 * std::numbers::pi * 1000.0 * static_cast<double>(s.written_) / kRate;
        out[i] = on ? static_cast<std::int16_t>(16000 * std::sin(phase)) : 0;
    }
    pa_stream_write(stream, data, count * sizeof(std::int16_t), nullptr, 0, PA_SEEK_RELATIVE);
}

std::optional<std::int64_t> BeepStream::playing_us() {
    Lock lock(loop_.get());
    pa_usec_t t = 0;
    if (pa_stream_get_time(stream_.get(), &t) < 0) return std::nullopt;
    return static_cast<std::int64_t>(t);
}

void BeepStream::requestTiming() {
    Lock lock(loop_.get());
    if (pa_operation* op = pa_stream_update_timing_info(stream_.get(), nullptr, nullptr)) pa_operation_unref(op);
}

std::optional<std::int64_t> BeepStream::beepStart(std::int64_t sample) const {
    auto next = std::upper_bound(beeps_.begin(), beeps_.end(), sample);
    if (next == beeps_.begin() || sample >= *std::prev(next) + kBeepSamples) return std::nullopt;
    return *std::prev(next);
}

std::optional<std::int64_t> BeepStream::beepAt(std::int64_t t_us) const {
    const std::optional<std::int64_t> start = beepStart(t_us * kRate / 1'000'000);
    if (!start) return std::nullopt;
    return toMicroseconds(*start);
}

}  // namespace talvora::tools
