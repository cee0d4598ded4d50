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
// overlaps what is placed) the overlap is dropped. The first chunk, and the
// first after reset(), is placed exactly. One thread.
class SoundTimeline {
public:
    explicit SoundTimeline(std::int64_t resyncFrames) : resyncFrames_(resyncFrames) {}

    struct Placement {
        std::int64_t silence = 0;  // frames of silence to put before the chunk
        std::int64_t drop = 0;     // frames to drop from the chunk's start
    };
    // A chunk of `frames` that would follow what ends at `end`; `due` is where
    // its first frame belongs, when known (else it is counted on).
    Placement place(std::int64_t end, std::optional<std::int64_t> due, std::int64_t frames);
    // The next chunk with a capture time is placed exactly.
    void reset() { placed_ = false; }
    bool placed() const { return placed_; }

private:
    std::int64_t resyncFrames_;
    bool placed_ = false;
};

}  // namespace platform
