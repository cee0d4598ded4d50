#include "targets/ScanFrame.h"

#include <new>

namespace talvora {

ScanFrame::ScanFrame(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0) {
    const std::size_t pixels = static_cast<std::size_t>(width_) * height_ + kPaddingPixels;
    pixels_.reset(new (std::nothrow) std::uint8_t[pixels * 4]());
}

}  // namespace talvora
