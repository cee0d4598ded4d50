#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace platform {

// What the mix does with the two sides of a call.
struct MixSettings {
    bool muteLocal = false;
    float remoteGain = 1.0f;  // 1 - the lowering of the remote side
    // Smart Microphone, while the local side speaks: 0 mutes the remote
    // side, 1 lowers it by half, 2 leaves it alone.
    int smartMic = 2;
};

// Mixes the remote side (what the speakers play) with the local side (the
// microphone) into one interleaved S16 stream, saturating instead of
// wrapping. Gain changes are ramped over one block so they do not click.
class AudioMixer {
public:
    // Speech is a local block whose RMS level is above about -32 dBFS; the
    // remote side stays lowered this long after the last such block.
    static constexpr double kSpeechRms = 800.0;
    static constexpr int kHoldMs = 400;

    AudioMixer(int sampleRate, int channels) : sampleRate_(sampleRate), channels_(channels) {}

    // Any thread; takes effect with the next block.
    void setSettings(const MixSettings& settings);
    MixSettings settings() const;

    // Worker thread. Replaces `out` with the mix of both sides; a side that
    // is shorter than the other (or empty) counts as silence there.
    void mix(std::span<const std::int16_t> remote, std::span<const std::int16_t> local,
             std::vector<std::int16_t>& out);

private:
    // The remote side's gain for this block; follows the local side's level.
    float remoteTarget(const MixSettings& settings, std::span<const std::int16_t> local, bool localOn);

    int sampleRate_;
    int channels_;
    mutable std::mutex mutex_;
    MixSettings settings_;  // guarded by mutex_

    // Worker thread only.
    bool started_ = false;
    float gain_ = 1.0f;               // remote gain at the end of the last block
    std::int64_t holdLeftFrames_ = 0;  // of lowering after the last speech
};

}  // namespace platform
