#pragma once

#include <vector>

#include "platform/desktop/Geometry.h"
#include "targets/ScanFrame.h"

namespace talvora {

// What the two passes over a pair of screenshots found. Rows of the forward
// pass are counted from the bottom, rows of the backward pass from the top.
struct ScanPasses {
    explicit ScanPasses(int height)
        : runStart(height, 0), runEnd(height, 0), runWidth(height, 0), rightEdge(height, 0) {}

    int changedPixels = 0;
    int topLine = 0;
    int bottomLine = 0;  // 0 while not set
    std::vector<int> runStart;
    std::vector<int> runEnd;
    std::vector<int> runWidth;
    std::vector<int> rightEdge;
};

// The rectangle one analysed scan derived, in screen pixels.
struct MotionVerdict {
    platform::Rect rect;
    int rightEdgeAgreement = 0;
    bool found = false;
};

// The grey test of a pixel's red, green and blue: black, exact greys, and a
// red exceeding equal green and blue by less than one per cent.
bool IsGreyPixel(int red, int green, int blue);

// Compares the two frames of one scan (same size) pixel by pixel: the
// forward pass finds where changing runs start and end, the backward pass
// where each row's change ends on the right, below the top `menuHeight` rows.
ScanPasses RunMotionPasses(const ScanFrame& a, const ScanFrame& b, int menuHeight);

// Scan `n` (0 for the first analysed one) of a search over `area`: the
// rectangle the most rows agree on, and whether it looks like a video.
MotionVerdict AnalyseScan(const ScanPasses& passes, int n, int edgeWidth, const platform::Rect& area);

}  // namespace talvora
