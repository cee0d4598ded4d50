#include <gtest/gtest.h>

#include "platform/audio/WavReader.h"

namespace platform {
namespace {

std::vector<std::uint8_t> wavBytes(std::uint16_t format, std::uint32_t dataSize, std::size_t actualData) {
    auto le = [](std::vector<std::uint8_t>& v, std::uint32_t x, int n) {
        for (int i = 0; i < n; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    };
    std::vector<std::uint8_t> v{'R', 'I', 'F', 'F'};
    le(v, 36 + dataSize, 4);
    for (char c : std::string("WAVEfmt ")) v.push_back(static_cast<std::uint8_t>(c));
    le(v, 16, 4);
    le(v, format, 2);
    le(v, 2, 2);
    le(v, 44100, 4);
    le(v, 44100 * 4, 4);
    le(v, 4, 2);
    le(v, 16, 2);
    for (char c : std::string("data")) v.push_back(static_cast<std::uint8_t>(c));
    le(v, dataSize, 4);
    v.resize(v.size() + actualData, 0x11);
    return v;
}

TEST(WavReaderTest, ReadsPcmAndSurvivesDamage) {
    auto wav = parseWav(wavBytes(1, 8, 8));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->sampleRate, 44100);
    EXPECT_EQ(wav->channels, 2);
    EXPECT_EQ(wav->pcm.size(), 8u);
    // A data size past the end keeps what is there.
    EXPECT_EQ(parseWav(wavBytes(1, 0xFFFFFFF0u, 6))->pcm.size(), 6u);
    EXPECT_FALSE(parseWav(wavBytes(3, 8, 8)));  // not PCM
    EXPECT_FALSE(parseWav({'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(readWavFile("/nonexistent.wav"));
}

}  // namespace
}  // namespace platform
