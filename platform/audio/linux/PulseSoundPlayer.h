#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/SoundPlayer.h"

namespace platform {

// Plays WAV files through the sound server on a worker thread of its own,
// so the caller never waits for the server. Any thread.
class PulseSoundPlayer : public SoundPlayer {
public:
    PulseSoundPlayer() = default;
    ~PulseSoundPlayer() override;
    PulseSoundPlayer(const PulseSoundPlayer&) = delete;
    PulseSoundPlayer& operator=(const PulseSoundPlayer&) = delete;

    bool play(const std::string& wavPath, bool loop) override;
    void stop() override;

private:
    void join();

    std::mutex mutex_;  // guards worker_ against concurrent play/stop
    std::thread worker_;
    std::atomic<bool> stopping_{false};
};

}  // namespace platform
