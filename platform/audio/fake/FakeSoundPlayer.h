#pragma once

#include <string>
#include <vector>

#include "platform/audio/SoundPlayer.h"

namespace platform {

class FakeSoundPlayer : public SoundPlayer {
public:
    bool play(const std::string& wavPath, bool loop) override {
        played.push_back(wavPath);
        looping = loop;
        return true;
    }
    void stop() override { looping = false; }

    std::vector<std::string> played;
    bool looping = false;
};

}  // namespace platform
