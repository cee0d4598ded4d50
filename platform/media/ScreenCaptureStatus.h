#pragma once

#include <string>

#include "platform/desktop/ScreenSource.h"

namespace platform {

// What went wrong with the screen in a capture's current (or last) run.
struct ScreenFault {
    // Set when the screen could not be read and the capture stopped.
    ScreenError error = ScreenError::None;
    std::string text;  // the source's words for it
    // The picture has stayed black for kBlackSeconds at some time of the run.
    bool black = false;
    // Some frame was read before the fault: the file holds a picture.
    bool anyFrame = false;

    static constexpr int kBlackSeconds = 3;
    bool stopped() const { return error != ScreenError::None; }
};

// The screen-capture filter tells its faults through this interface, so that
// a recording says so instead of recording black silently. UI thread.
class ScreenCaptureStatus {
public:
    virtual ~ScreenCaptureStatus() = default;
    virtual ScreenFault screenFault() const = 0;
};

}  // namespace platform
