#include "platform/desktop/linux/X11ScreenCopy.h"

#include "platform/media/linux/ScreenGrabber.h"

namespace platform {

X11ScreenCopy::X11ScreenCopy() = default;
X11ScreenCopy::~X11ScreenCopy() = default;

int X11ScreenCopy::copy(const Rect& area, std::uint8_t* pixels) {
    std::lock_guard lock(mutex_);
    if (!grabber_) grabber_ = std::make_unique<ScreenGrabber>();
    if (!grabber_->ok()) {
        grabber_.reset();  // the next copy tries a new connection
        return kNoDevice;
    }
    if (area.width() <= 0 || area.height() <= 0) return 0;
    ScreenCaptureParams params;
    params.rect = area;
    params.bitsPerPixel = 32;
    // Rows bottom-up: the view starts at the last row and steps backwards.
    const int stride = area.width() * 4;
    ImageView frame{pixels + static_cast<std::ptrdiff_t>(area.height() - 1) * stride, area.width(), area.height(),
                    -stride, 4};
    return grabber_->grab(params, frame) ? 0 : kCopyFailed;
}

}  // namespace platform
