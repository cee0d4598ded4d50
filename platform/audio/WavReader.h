#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The PCM contents of a RIFF WAVE file.
struct WavData {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::vector<std::uint8_t> pcm;
};

// Reads an uncompressed PCM WAV file; nullopt when it is not one.
std::optional<WavData> readWavFile(const std::string& path);
std::optional<WavData> parseWav(const std::vector<std::uint8_t>& bytes);

}  // namespace platform
