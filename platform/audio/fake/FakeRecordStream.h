#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/AudioSystem.h"

namespace platform {

// A record stream that delivers what the test feeds it. The feed side is
// shared with the FakeAudioSystem, which keeps it as long as the stream lives.
class FakeRecordStream : public AudioRecordStream {
public:
    struct Line {
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<std::int16_t> samples;
        AudioCaptureTime firstCapturedAt;  // of samples.front()
        bool broken = false;

        // `capturedAt`: when `more` was recorded; the stream tells it for the
        // first sample of a read.
        void feed(const std::vector<std::int16_t>& more, AudioCaptureTime capturedAt = {});
        void breakDown();
        std::size_t pending();
    };

    FakeRecordStream(std::string sourceName, std::shared_ptr<Line> line)
        : sourceName_(std::move(sourceName)), line_(std::move(line)) {}

    AudioStatus read(std::vector<std::int16_t>& samples, std::chrono::milliseconds timeout,
                     AudioCaptureTime* capturedAt) override;
    const std::string& sourceName() const override { return sourceName_; }
    // A fixed size: nothing the tests check depends on it.
    AudioStatus bufferFrames(std::uint32_t& frames) override {
        frames = 48000;
        return {};
    }

private:
    std::string sourceName_;
    std::shared_ptr<Line> line_;
};

}  // namespace platform
