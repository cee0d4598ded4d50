#pragma once

// What a recording of sync_source shows of its sync: the file is decoded as
// a player presents it (each picture from its time until the next, each
// sound frame at its own time) and every flash is paired with its beep.
// Shared by the sync tests and the sync bench, so that both read alike.
#include <string>
#include <vector>

namespace talvora::tools {

struct SoundSync {
    std::vector<double> flashes;  // onsets, seconds from the start of the file
    std::vector<double> offsets;  // beep minus flash, seconds, per flash with sound
    double videoStart = 0, audioStart = 0;
    double largestVideoGap = 0;
    double largestVideoGapAt = 0;  // where it begins, seconds
    int frames = 0;
    double videoSpan = 0;  // first to last picture
    double duration = 0;

    double mean() const;
    // The standard deviation of the pairs.
    double spread() const;
    std::string text() const;
};

// In its first second the recorder places its sound by the server's first
// reports, which wander (up to 40 ms seen): flashes before it are left out.
SoundSync measureSoundSync(const std::string& file, double placing_s = 1.0);

}  // namespace talvora::tools
