#pragma once

#include <memory>
#include <mutex>

#include "platform/desktop/ScreenCopy.h"

namespace platform {

class ScreenGrabber;

// Screen copies of the X11 root window through MIT-SHM (plain GetImage where
// shared memory does not work), on a connection of its own opened at the
// first copy.
class X11ScreenCopy : public ScreenCopy {
public:
    X11ScreenCopy();
    ~X11ScreenCopy() override;
    X11ScreenCopy(const X11ScreenCopy&) = delete;
    X11ScreenCopy& operator=(const X11ScreenCopy&) = delete;

    int copy(const Rect& area, std::uint8_t* pixels) override;

private:
    std::mutex mutex_;
    std::unique_ptr<ScreenGrabber> grabber_;
};

}  // namespace platform
