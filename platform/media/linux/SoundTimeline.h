#pragma once

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
// capture time, and the first after reset(), is placed exactly; while the
// server's timing settles after that (half a second), it is followed more
// closely. One thread.
class SoundTimeline {
public:
    // Chunks after an exact placement that follow capture times closely, and
    // how closely.
    static constexpr int kSettlingChunks = 10;
    static constexpr std::int64_t kSettlingFrames = 441;  // 10 ms at 44.1 kHz

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
    void reset() { placed_ = exact_ = false; }
    bool placed() const { return placed_; }

private:
    std::int64_t resyncFrames_;
    bool placed_ = false;
    bool exact_ = false;  // placed by a capture time
    int settling_ = 0;    // chunks left that follow capture times closely
};

}  // namespace platform
