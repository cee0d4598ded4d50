#include "platform/desktop/ScreenSourceCopy.h"

#include <cstddef>

namespace platform {

int ScreenSourceCopy::copy(const Rect& area, std::uint8_t* pixels) {
    std::lock_guard lock(mutex_);
    if (!source_.ready()) return kNoDevice;
    if (!reader_) reader_ = source_.openReader();
    const ScreenError code = reader_->errorCode();
    if (code == ScreenError::NoDisplay || code == ScreenError::Unsupported || code == ScreenError::EndedByDesktop) {
        reader_.reset();  // the next copy tries a new connection, or the desktop's new stream
        return kNoDevice;
    }
    if (area.width() <= 0 || area.height() <= 0) return 0;
    // Rows bottom-up: the view starts at the last row and steps backwards.
    const int stride = area.width() * 4;
    const ImageView frame{pixels + static_cast<std::ptrdiff_t>(area.height() - 1) * stride, area.width(),
                          area.height(), -stride, 4};
    ScreenArea what;
    what.rect = area;
    return reader_->read(what, frame) ? 0 : kCopyFailed;
}

}  // namespace platform
