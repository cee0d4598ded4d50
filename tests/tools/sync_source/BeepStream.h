#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvora::tools {

// A playback stream of 1 kHz beeps of 100 ms at irregular times, and what the
// sound server says of the sample its sink plays now.
class BeepStream {
public:
    static constexpr int kRate = 44100;
    static constexpr std::int64_t kBeep_us = 100'000;

    // Connects to the default sink; throws std::runtime_error when it cannot.
    explicit BeepStream(const std::string& clientName);
    ~BeepStream();
    BeepStream(const BeepStream&) = delete;
    BeepStream& operator=(const BeepStream&) = delete;

    // The stream time (µs of samples since the first) the sink plays now, by
    // the server's last timing report and the time since; none before the
    // sink plays the first sample.
    std::optional<std::int64_t> playing_us();
    // Asks the server for a new timing report (not waited for).
    void requestTiming();
    // Start of the beep that sounds at stream time `t_us`, if one does.
    std::optional<std::int64_t> beepAt(std::int64_t t_us) const;
    int underruns() const { return underruns_; }

private:
    struct LoopDeleter {
        void operator()(pa_threaded_mainloop* loop) const;
    };
    struct ContextDeleter {
        void operator()(pa_context* context) const;
    };
    struct StreamDeleter {
        void operator()(pa_stream* stream) const;
    };
    class Lock;

    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    void waitForReady(const char* what, const std::function<bool()>& ready);
    // Start (in samples) of the beep that sounds at `sample`, if one does.
    std::optional<std::int64_t> beepStart(std::int64_t sample) const;

    std::vector<std::int64_t> beeps_;  // start times in samples
    std::int64_t written_ = 0;         // samples
    std::atomic<int> underruns_{0};
    std::unique_ptr<pa_threaded_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;
    std::unique_ptr<pa_stream, StreamDeleter> stream_;
};

}  // namespace talvora::tools
