#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// Video and Audio are uncompressed; Encoded is an elementary stream from an
// encoder (its codec in EncodedFormat); Stream is the bytes of a container.
enum class MajorType { None, Video, Audio, Encoded, Stream };

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

// The codecs our encoders make.
enum class Codec { None, Mpeg2Video, MpegAudioLayer2 };

// An encoded stream; its picture size and frame rate, or its sample rate and
// channels, are in the MediaType's `video` or `audio`.
struct EncodedFormat {
    Codec codec = Codec::None;
    int bitRate = 0;     // average, bits per second
    int maxBitRate = 0;  // the most the stream may reach, bits per second
    int bufferBits = 0;  // decoder buffer the stream was made for (video)
    bool operator==(const EncodedFormat&) const = default;
};

// What flows over a connection. Pins are connected without a media type; the
// upstream filter says what it delivers and the downstream one accepts it.
struct MediaType {
    MajorType major = MajorType::None;
    VideoFormat video;
    AudioFormat audio;
    EncodedFormat encoded;
    bool operator==(const MediaType&) const = default;

    static MediaType ofVideo(VideoFormat v) { return {MajorType::Video, v, {}}; }
    static MediaType ofAudio(AudioFormat a) { return {MajorType::Audio, {}, a}; }
    static MediaType ofEncodedVideo(EncodedFormat e, VideoFormat v) { return {MajorType::Encoded, v, {}, e}; }
    static MediaType ofEncodedAudio(EncodedFormat e, AudioFormat a) { return {MajorType::Encoded, {}, a, e}; }
    static MediaType ofStream() { return {MajorType::Stream, {}, {}, {}}; }
};

// Leaves new elements uninitialised: a frame buffer is written whole right
// after it is sized, and clearing 1 MB per frame first costs as much again.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using SampleBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// One buffer of media on the graph's stream clock (100 ns units, starting at
// 0 when the graph first runs; paused time does not count).
struct MediaSample {
    std::int64_t pts_100ns = 0;
    std::int64_t duration_100ns = 0;
    int stride = 0;  // video: bytes per row
    SampleBytes data;
    // Encoded samples: when the sample is decoded (before pts_100ns where
    // pictures are reordered), and whether decoding can start with it.
    std::int64_t dts_100ns = 0;
    bool keyFrame = false;
};

// Samples are immutable once delivered, so a tee hands the same buffer to
// every branch.
using SamplePtr = std::shared_ptr<const MediaSample>;

}  // namespace platform
