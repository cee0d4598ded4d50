#include "platform/media/linux/AudioMixer.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

std::int16_t saturate(long value) {
    return static_cast<std::int16_t>(std::clamp<long>(value, INT16_MIN, INT16_MAX));
}

bool speaks(std::span<const std::int16_t> local) {
    if (local.empty()) return false;
    double energy = 0;
    for (const std::int16_t s : local) energy += static_cast<double>(s) * s;
    return energy / static_cast<double>(local.size()) > AudioMixer::kSpeechRms * AudioMixer::kSpeechRms;
}

}  // namespace

void AudioMixer::setSettings(const MixSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

MixSettings AudioMixer::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

float AudioMixer::remoteTarget(const MixSettings& settings, std::span<const std::int16_t> local, bool localOn) {
    const auto frames = static_cast<std::int64_t>(local.size()) / channels_;
    if (localOn && speaks(local)) holdLeftFrames_ = static_cast<std::int64_t>(sampleRate_) * kHoldMs / 1000;
    else holdLeftFrames_ = std::max<std::int64_t>(0, holdLeftFrames_ - frames);
    // A muted microphone does not speak into the recording, so nothing ducks.
    const bool ducking = localOn && holdLeftFrames_ > 0 && (settings.smartMic == 0 || settings.smartMic == 1);
    if (!ducking) return settings.remoteGain;
    return settings.smartMic == 0 ? 0.0f : settings.remoteGain * 0.5f;
}

void AudioMixer::mix(std::span<const std::int16_t> remote, std::span<const std::int16_t> local,
                     std::vector<std::int16_t>& out) {
    const MixSettings s = settings();
    const bool localOn = !s.muteLocal && !local.empty();
    const float target = remoteTarget(s, local, localOn);
    if (!started_) gain_ = target;  // the first block starts at its gain
    started_ = true;

    const std::size_t count = std::max(remote.size(), local.size());
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const auto frames = static_cast<float>(std::max<std::size_t>(1, count / channels));
    out.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const float done = std::min(1.0f, static_cast<float>(i / channels + 1) / frames);
        const float gain = gain_ + (target - gain_) * done;
        long value = 0;
        if (i < remote.size()) value += std::lround(remote[i] * gain);
        if (localOn && i < local.size()) value += local[i];
        out[i] = saturate(value);
    }
    gain_ = target;
}

}  // namespace platform
