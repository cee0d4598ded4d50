#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace platform {

// Places the chunks of a live sound stream on the stream clock, in frames of
// the stream's rate. A chunk normally follows the one before it, counted
// sample by sample, so the sound plays on smoothly; only when its capture
// time says it belongs more than `resyncFrames` later (the source delivered
// nothing for a while: a suspended device, a server that went away) is the
// gap filled with silence, and when it belongs that much earlier (it
// overlaps what is placed) the overlap is dropped. The first chunk with a
// capture time, and the first after reset(), is placed exactly.
//
// Capture times wander: the server's first reports are tens of ms off, and
// later ones stray from the sample count by up to about 25 ms for seconds at
// a time, in ramps and single outliers, while the count stays true. So while
// the server's timing settles after an exact placement (half a second), the
// sound is moved by the median distance of the chunks since the last move,
// not by any one chunk; afterwards the mean distance over a window of chunks
// is watched, and a mean beyond `kDriftFrames` moves the sound towards its
// capture times by at most `kSlewFrames` per window: a steady distance (a
// clock that runs apart) is taken out in small steps, a wander is not
// followed far. One thread.
class SoundTimeline {
public:
    // Chunks after an exact placement that follow capture times closely, and
    // how closely; the fewest chunks whose median moves the sound.
    static constexpr int kSettlingChunks = 10;
    static constexpr std::int64_t kSettlingFrames = 441;  // 10 ms at 44.1 kHz
    static constexpr int kMedianChunks = 3;

    // Chunks whose distance from their capture times is averaged, the mean
    // distance that moves the sound (8 ms at 44.1 kHz) and the largest move
    // per window (2 ms: a clock 400 ppm apart is still followed).
    static constexpr int kWindowChunks = 100;
    static constexpr std::int64_t kDriftFrames = 353;
    static constexpr std::int64_t kSlewFrames = 88;

    explicit SoundTimeline(std::int64_t resyncFrames) : resyncFrames_(resyncFrames) {}

    struct Placement {
        std::int64_t silence = 0;  // frames of silence to put before the chunk
        std::int64_t drop = 0;     // frames to drop from the chunk's start
    };
    // A chunk of `frames` that would follow what ends at `end`; `due` is where
    // its first frame belongs, when known (else it is counted on). With
    // `estimated`, `due` is only a guess (no capture time): it places the
    // first chunk, and the first with a capture time is placed anew.
    Placement place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames, bool estimated = false);
    // The next chunk with a capture time is placed exactly.
    void reset() {
        placed_ = exact_ = false;
        clearWindow();
        settled_ = 0;
    }
    bool placed() const { return placed_; }

    // Mean distance of the counted sound from its capture times over the last
    // whole window, in frames (positive: the sound lies early).
    std::optional<std::int64_t> lastWindowMean() const { return lastWindowMean_; }

private:
    void clearWindow() { windowSum_ = windowCount_ = 0; }
    // A settling chunk `shift` from its capture time; the move it makes.
    Placement settle(std::int64_t shift, std::int64_t frames);
    static Placement move(std::int64_t shift, std::int64_t frames);

    std::int64_t resyncFrames_;
    bool placed_ = false;
    bool exact_ = false;  // placed by a capture time
    int settling_ = 0;    // chunks left that follow capture times closely
    // Distances of the settling chunks since the last move.
    std::array<std::int64_t, kSettlingChunks> settlingShifts_{};
    int settled_ = 0;  // of them
    std::int64_t windowSum_ = 0;
    std::int64_t windowCount_ = 0;
    std::optional<std::int64_t> lastWindowMean_;
};

}  // namespace platform
