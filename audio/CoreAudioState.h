#pragma once

#include <cstdint>
#include <string>

namespace talvora {

// What the endpoint probe found; owned by CoreAudio, UI thread.
struct CoreAudioState {
    std::uint32_t speakerMixRate = 0;  // Hz, the default sink's format
    std::uint32_t micMixRate = 0;      // Hz, the default source's format
    // Rate and data rate of the last record stream that opened (speakers,
    // then the microphone); the graph build reads the rate.
    std::uint32_t clientRate = 0;
    std::uint32_t clientBytesPerSecond = 0;
    std::string defaultMicName;  // description of the default source, up to 1000 characters
    // The second source that UnmuteSecondSource matched: its server name
    // (the handle its mute is set through) and its place among the sources.
    std::string secondSourceName;
    int secondSourceIndex = -1;
};

}  // namespace talvora
