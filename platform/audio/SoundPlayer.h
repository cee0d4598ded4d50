#pragma once

#include <string>

namespace platform {

// Plays a WAV file on the default output: once or in a loop, without
// waiting. A new play replaces the one under way. Any thread.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // False when the file cannot be read or played.
    virtual bool play(const std::string& wavPath, bool loop) = 0;
    virtual void stop() = 0;
};

}  // namespace platform
