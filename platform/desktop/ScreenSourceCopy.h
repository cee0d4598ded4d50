#pragma once

#include <memory>
#include <mutex>

#include "platform/desktop/ScreenCopy.h"
#include "platform/desktop/ScreenSource.h"

namespace platform {

// The motion search's screen copies, read from the program's screen source
// through a reader of their own, opened at the first copy and again after a
// copy that found the screen unreadable.
class ScreenSourceCopy : public ScreenCopy {
public:
    explicit ScreenSourceCopy(ScreenSource& source) : source_(source) {}

    int copy(const Rect& area, std::uint8_t* pixels) override;

private:
    ScreenSource& source_;
    std::mutex mutex_;
    std::unique_ptr<ScreenReader> reader_;
};

}  // namespace platform
