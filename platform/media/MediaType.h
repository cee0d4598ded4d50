#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

enum class MajorType { None, Video, Audio };

// Uncompressed video: packed BGR (24 bits) or BGRX (32 bits) rows, top-down.
struct VideoFormat {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
    int framesPerSecond = 0;
    bool operator==(const VideoFormat&) const = default;
};

// Interleaved signed 16-bit PCM.
struct AudioFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;
    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
    bool operator==(const AudioFormat&) const = default;
};

// What flows over a connection. Pins are connected without a media type; the
// upstream filter says what it delivers and the downstream one accepts it.
struct MediaType {
    MajorType major = MajorType::None;
    VideoFormat video;
    AudioFormat audio;
    bool operator==(const MediaType&) const = default;

    static MediaType ofVideo(VideoFormat v) { return {MajorType::Video, v, {}}; }
    static MediaType ofAudio(AudioFormat a) { return {MajorType::Audio, {}, a}; }
};

// One buffer of media on the graph's stream clock (100 ns units, starting at
// 0 when the graph first runs; paused time does not count).
struct MediaSample {
    std::int64_t pts_100ns = 0;
    std::int64_t duration_100ns = 0;
    int stride = 0;  // video: bytes per row
    std::vector<std::uint8_t> data;
};

// Samples are immutable once delivered, so a tee hands the same buffer to
// every branch.
using SamplePtr = std::shared_ptr<const MediaSample>;

}  // namespace platform
