#pragma once

#include <cstdint>
#include <mutex>

#include "platform/media/MediaType.h"

namespace platform {

// The hand-over of frames from a streaming thread to the UI thread: only the
// newest frame waits, and the UI is asked to fetch it once however many
// frames arrive before it does. Any thread.
class LatestFrame {
public:
    // Streaming thread: keeps `sample` in place of any waiting frame. True
    // when nothing was waiting, i.e. when the UI must now be asked to take().
    bool put(SamplePtr sample);
    // UI thread: the newest frame (null when none waits).
    SamplePtr take();
    // Frames replaced before the UI took them.
    std::int64_t replaced() const;

private:
    mutable std::mutex mutex_;
    SamplePtr waiting_;
    std::int64_t replaced_ = 0;
};

}  // namespace platform
