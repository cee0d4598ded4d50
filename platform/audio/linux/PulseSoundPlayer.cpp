#include "platform/audio/linux/PulseSoundPlayer.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <memory>

#include "platform/audio/WavReader.h"

namespace platform {

namespace {

struct SimpleFree {
    void operator()(pa_simple* s) const { pa_simple_free(s); }
};

void playLoop(WavData wav, bool loop, const std::atomic<bool>& stopping) {
    pa_sample_spec sampleSpec{};
    sampleSpec.format = wav.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleSpec.rate = static_cast<std::uint32_t>(wav.sampleRate);
    sampleSpec.channels = static_cast<std::uint8_t>(wav.channels);
    int error = 0;
    std::unique_ptr<pa_simple, SimpleFree> stream(
        pa_simple_new(nullptr, "Talvora", PA_STREAM_PLAYBACK, nullptr, "sound", &sampleSpec, nullptr, nullptr, &error));
    if (!stream) return;
    // Small writes, so a stop request is seen within a few milliseconds.
    const std::size_t chunk = std::max<std::size_t>(pa_bytes_per_second(&sampleSpec) / 50, pa_frame_size(&sampleSpec));
    do {
        for (std::size_t pos = 0; pos < wav.pcm.size() && !stopping; pos += chunk) {
            const std::size_t n = std::min(chunk, wav.pcm.size() - pos);
            if (pa_simple_write(stream.get(), wav.pcm.data() + pos, n, &error) < 0) return;
        }
    } while (loop && !stopping && !wav.pcm.empty());
    if (!stopping) pa_simple_drain(stream.get(), &error);
}

}  // namespace

PulseSoundPlayer::~PulseSoundPlayer() { stop(); }

void PulseSoundPlayer::join() {
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
    stopping_ = false;
}

bool PulseSoundPlayer::play(const std::string& wavPath, bool loop) {
    auto wav = readWavFile(wavPath);
    if (!wav) return false;
    std::lock_guard lock(mutex_);
    join();
    worker_ = std::thread([this, data = std::move(*wav), loop]() mutable {
        try {
            playLoop(std::move(data), loop, stopping_);
        } catch (...) {
            // A sound that cannot be played is not worth more than silence.
        }
    });
    return true;
}

void PulseSoundPlayer::stop() {
    std::lock_guard lock(mutex_);
    join();
}

}  // namespace platform
