#include "platform/audio/WavReader.h"

#include <fstream>
#include <iterator>

namespace platform {

namespace {
std::uint32_t le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

std::optional<WavData> parseWav(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
        return std::nullopt;
    WavData wav;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos) + 4);
        const std::uint32_t size = le32(&bytes[pos + 4]);
        const std::size_t body = pos + 8;
        const std::size_t available = bytes.size() - body;
        if (id == "fmt " && size >= 16 && available >= 16) {
            if (le16(&bytes[body]) != 1) return std::nullopt;  // PCM only
            wav.channels = le16(&bytes[body + 2]);
            wav.sampleRate = static_cast<int>(le32(&bytes[body + 4]));
            wav.bitsPerSample = le16(&bytes[body + 14]);
            haveFormat = true;
        } else if (id == "data") {
            // A truncated file keeps what it has.
            const std::size_t length = size < available ? size : available;
            wav.pcm.assign(bytes.begin() + static_cast<long>(body), bytes.begin() + static_cast<long>(body + length));
        }
        if (size > available) break;
        pos = body + size + (size & 1);
    }
    if (!haveFormat || wav.channels < 1 || wav.channels > 8 || wav.sampleRate < 1 ||
        (wav.bitsPerSample != 8 && wav.bitsPerSample != 16))
        return std::nullopt;
    return wav;
}

std::optional<WavData> readWavFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parseWav(bytes);
}

}  // namespace platform
