#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/Filter.h"
#include "platform/media/linux/FfmpegHandles.h"

// Synthetic input for the writer tests, and what a written file holds.
namespace platform::test {

constexpr std::int64_t kSecond_100ns = 10'000'000;
constexpr int kChunkFrames = 480;

// A source that, once running, delivers `count` samples made by `make` from
// a thread of its own, as fast as it can, then the end of the stream.
class SyntheticSource : public Filter {
public:
    SyntheticSource(MediaType type, int count, std::function<SamplePtr(int)> make);
    ~SyntheticSource() override;

    MediaType offeredType(const Pin&) const override { return type_; }
    HRESULT changeState(FilterState from, FilterState to, StreamClock&) override;
    void join();

private:
    MediaType type_;
    int count_;
    std::function<SamplePtr(int)> make_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A bright square moving over a gradient; with `noise`, every pixel also
// changes from frame to frame (a picture that is hard to compress).
SamplePtr patternFrame(const VideoFormat& format, int index, bool noise = false);

// Chunks of kChunkFrames samples of a 440 Hz tone, the same on every channel.
SamplePtr toneChunk(const AudioFormat& format, int index);

// The same moment in picture and sound: a frame that is white from 1 s on
// for 0.1 s, else black; a chunk with a 1 kHz beep then, else silence.
constexpr double kFlashAt_s = 1.0;
SamplePtr flashFrame(const VideoFormat& format, int index);

// The same picture at every index (a still screen), at its index's time.
SamplePtr stillFrame(const VideoFormat& format, int index);
SamplePtr beepChunk(const AudioFormat& format, int index);

// What a recorded file holds, read back with libavformat and decoded.
struct Recording {
    std::string formatName;
    std::vector<AVCodecID> codecs;
    int width = 0;
    int height = 0;
    double duration_s = 0;
    int videoPackets = 0;
    std::int64_t videoBytes = 0;
    double videoSeconds = 0;  // the video packets' durations added up: how long the picture plays
    int keyFrames = 0;
    bool videoPtsRise = true;
    bool videoDtsRise = true;
    std::string pictureTypes;  // I, P, B in display order
    int sampleRate = 0;
    std::vector<float> sound;  // first channel
    // As a player presents them: when the sound first gets loud, and when
    // the first bright picture shows (seconds on the file's clock; -1: never).
    double soundOnset_s = -1;
    double firstBright_s = -1;
    std::vector<double> pictureTimes_s;  // when each picture shows, in display order
    // Video packets whose time the file does not hold, so that a player has
    // to guess it.
    int unstampedPictures = 0;
};
Recording readBack(const std::string& path);

// The frequency from 100 to 2000 Hz, in 5 Hz steps, that holds the most
// power over a quarter second from the middle of the sound.
double loudestFrequency(const std::vector<float>& sound, int sampleRate);

}  // namespace platform::test
