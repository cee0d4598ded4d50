#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace talvora {

// One screenshot of the motion search: W x H pixels of four bytes (blue,
// green, red, fourth byte), rows from the bottom up, zero-filled. A few zero
// pixels follow the last one, so that the comparisons that look a few pixels
// ahead at the very end of the frame read zeros instead of leaving the buffer.
class ScanFrame {
public:
    static constexpr int kPaddingPixels = 4;

    // ok() is false when the memory could not be had.
    ScanFrame(int width, int height);

    bool ok() const { return pixels_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint8_t* data() { return pixels_.get(); }
    const std::uint8_t* data() const { return pixels_.get(); }
    // The pixel at column x of row r (counted from the bottom).
    std::uint8_t* pixel(int x, int r) { return data() + (static_cast<std::size_t>(r) * width_ + x) * 4; }

private:
    int width_;
    int height_;
    std::unique_ptr<std::uint8_t[]> pixels_;
};

}  // namespace talvora
