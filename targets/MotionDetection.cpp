#include "targets/MotionDetection.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace talvora {

namespace {

constexpr int kRunBeforeStart = 20;
constexpr int kBottomRunWidth = 200;
constexpr int kLeftVoteWidth = 100;

// A pixel as one little-endian word: blue | green << 8 | red << 16 | X << 24.
std::uint32_t word(const std::uint8_t* pixels, std::size_t index) {
    std::uint32_t v;
    std::memcpy(&v, pixels + index * 4, 4);
    return v;
}

// G x 65536 + R x 256 + X: equal keys are equal words but for blue.
constexpr std::uint32_t kKey1Mask = 0xFFFFFF00u;
// R x 65536 + X x 256 (+ the next pixel's blue): red and the fourth byte.
constexpr std::uint32_t kBackwardMask = 0xFFFF0000u;

std::uint32_t key1(std::uint32_t v) {
    const std::uint32_t g = (v >> 8) & 0xFF, r = (v >> 16) & 0xFF, x = v >> 24;
    return g * 65536 + r * 256 + x;
}

// key1 with green, red and the fourth byte of the pixel three places on
// or-ed in, as the comparison that ends a run is made.
std::uint32_t key2(const std::uint8_t* pixels, std::size_t index) {
    const std::uint32_t ahead = word(pixels, index + 3);
    const std::uint32_t g = (ahead >> 8) & 0xFF, r = (ahead >> 16) & 0xFF, x = ahead >> 24;
    return key1(word(pixels, index)) | g * 256 | r * 256 | x;
}

struct Vote {
    int value = 0;
    int count = 0;
};

// Each eligible row gets 1 plus the number of later rows with the same
// value; the highest count wins, the earlier row on equal counts.
template <typename Eligible>
Vote mostAgreed(const std::vector<int>& values, int largestValue, Eligible eligible) {
    std::vector<int> later(static_cast<std::size_t>(largestValue) + 1, 0);
    Vote best;
    for (int row = static_cast<int>(values.size()) - 1; row >= 0; --row) {
        const int value = values[row];
        if (value == 0 || value < 0 || value > largestValue) continue;
        if (eligible(row)) {
            const int count = 1 + later[value];
            if (count >= best.count) best = {value, count};
        }
        ++later[value];
    }
    return best;
}

}  // namespace

bool IsGreyPixel(int red, int green, int blue) {
    const int max = std::max(red, std::max(green, blue));
    const int min = std::min(red, std::min(green, blue));
    if (max == 0) return true;
    const int saturation = static_cast<int>(100.0 * (max - min) / max);
    int hue = 0;
    if (max != min) {
        const double range = max - min;
        if (red == max) hue = static_cast<int>(60.0 * (green - blue) / range);
        else if (green == max) hue = static_cast<int>(60.0 * ((blue - red) / range + 2));
        else hue = static_cast<int>(60.0 * ((red - green) / range + 4));
        if (hue < 0) hue += 360;
    }
    return hue == 0 && saturation == 0;
}

ScanPasses RunMotionPasses(const ScanFrame& a, const ScanFrame& b, int menuHeight) {
    const int W = a.width();
    const int H = a.height();
    ScanPasses p(H);
    const std::uint8_t* pa = a.data();
    const std::uint8_t* pb = b.data();

    // Forward: rows from the bottom, each from the left. The two bottom rows
    // never count, so they are not visited.
    int lastRunRow = 0;
    bool armed = false;
    for (int r = 2; r < H; ++r) {
        const std::size_t row = static_cast<std::size_t>(r) * W;
        int runLength = 0;
        for (int x = 0; x < W; ++x) {
            std::size_t i = row + x;
            if (runLength == 0 && !(armed && p.runStart[r] > 0)) {
                // Nothing happens on unchanged pixels here: skip them.
                while (x < W && ((word(pa, i) ^ word(pb, i)) & kKey1Mask) == 0) {
                    ++x;
                    ++i;
                }
                if (x == W) break;
            }
            if (((word(pa, i) ^ word(pb, i)) & kKey1Mask) != 0) {
                ++p.changedPixels;
                ++runLength;
                if (r != lastRunRow && runLength > kRunBeforeStart) {
                    p.runStart[r] = x - kRunBeforeStart;
                    p.topLine = H - r;
                    lastRunRow = r;
                    armed = true;
                }
            } else {
                runLength = 0;
            }
            if (p.runStart[r] > 0 && armed && key2(pa, i) == key2(pb, i) &&
                IsGreyPixel(pa[i * 4 + 2], pa[i * 4 + 1], pa[i * 4])) {
                armed = false;
                p.runEnd[r] = x;
                p.runWidth[r] = std::abs(x - p.runStart[r]);
                if (p.bottomLine == 0 && p.runWidth[r] > kBottomRunWidth) p.bottomLine = H - r;
            }
        }
    }

    // Backward: rows from the top, each from the right; only the first change
    // from the right counts, and never in the menu-bar rows at the top.
    for (int q = std::max(2, menuHeight + 1); q < H; ++q) {
        const std::size_t row = static_cast<std::size_t>(H - 1 - q) * W;
        for (int x = W - 1; x >= 0; --x) {
            const std::size_t i = row + x;
            if (((word(pa, i) ^ word(pb, i)) & kBackwardMask) != 0 || pa[(i + 1) * 4] != pb[(i + 1) * 4]) {
                p.rightEdge[q] = x + 1;  // W - d
                break;
            }
        }
    }
    return p;
}

MotionVerdict AnalyseScan(const ScanPasses& passes, int n, int edgeWidth, const platform::Rect& area) {
    const int W = area.width();
    const Vote left = mostAgreed(passes.runStart, W, [&](int row) { return passes.runWidth[row] > kLeftVoteWidth; });
    const Vote right = mostAgreed(passes.rightEdge, W, [](int) { return true; });

    MotionVerdict verdict;
    const int l = left.value + edgeWidth;
    const int r = right.value - edgeWidth;
    const int top = passes.topLine;
    const int bottom = passes.bottomLine;
    const int width = std::abs(r - l);
    const int height = std::abs(bottom - top);
    verdict.rect = {l + area.left, top + area.top, r + area.left, bottom + area.top};
    verdict.rightEdgeAgreement = right.count;
    // Without a bottom line (and so without a row that voted for the left
    // edge) the rectangle would end above its own top: nothing is found.
    verdict.found = bottom != 0 && n > 0 && width > 300 && height > 100 && width + 100 >= height && right.count > 50;
    return verdict;
}

}  // namespace talvora
