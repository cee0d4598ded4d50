#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace platform {

// Holds the local side of a mix until the remote side's pace asks for it.
// Two streams never deliver at quite the same moments, so a small reserve
// is kept: without it every late fragment would punch a hole of silence into
// the mix. The reserve is refilled after running dry, and what grows beyond
// `limit` is dropped down to the reserve so the local side never lags far.
// Sizes count samples of interleaved frames of `channels`. Worker thread only.
class JitterBuffer {
public:
    JitterBuffer(std::size_t reserve, std::size_t limit, std::size_t channels)
        : reserve_(reserve), limit_(limit), channels_(channels) {}

    void push(std::span<const std::int16_t> samples);
    // Replaces `out` with `count` samples; what is missing is silence.
    void take(std::size_t count, std::vector<std::int16_t>& out);
    void clear();
    std::size_t size() const { return samples_.size(); }

private:
    std::size_t reserve_;
    std::size_t limit_;
    std::size_t channels_;
    std::deque<std::int16_t> samples_;
    bool filling_ = true;  // gives silence until the reserve is there
};

}  // namespace platform
