#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Format tag of Windows Media Audio 2 and compression code of Windows Media
// Video 7, the only codecs the ASF writer encodes.
constexpr int kWmAudioV2FormatTag = 353;
constexpr const char* kWmVideoV7Compression = "WMV1";

// The audio stream of a profile: its WAVEFORMATEX and stream settings.
struct WmAudioStream {
    int streamNumber = 0;
    int bitrate = 0;  // bits per second
    int formatTag = 0;
    int channels = 0;
    int samplesPerSecond = 0;
    int avgBytesPerSecond = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    std::vector<std::uint8_t> codecData;
    bool operator==(const WmAudioStream&) const = default;
};

// The video stream of a profile.
struct WmVideoStream {
    int streamNumber = 0;
    int bitrate = 0;          // bits per second
    int bufferWindow_ms = 0;  // -1: the writer's default
    int width = 0;
    int height = 0;
    std::int64_t avgTimePerFrame_100ns = 0;
    std::string compression;  // four-character code
    int quality = 0;          // 0 to 100
    std::int64_t maxKeyFrameSpacing_100ns = 0;  // 0: the writer's default
    bool operator==(const WmVideoStream&) const = default;
};

// A Windows Media profile as parsed from its XML text: what the ASF writer
// is to write.
struct WmProfile {
    std::string name;
    std::string description;
    std::optional<WmAudioStream> audio;
    std::optional<WmVideoStream> video;
    bool operator==(const WmProfile&) const = default;
};

}  // namespace platform
