#include "targets/MotionDetection.h"

#include <gtest/gtest.h>

#include "SyntheticScreens.h"

namespace talvora {
namespace {

using platform::Rect;
using test::Bgr;
using test::fillRect;

constexpr int kW = 1920;
constexpr int kH = 1040;
constexpr int kMenuHeight = 19;
constexpr int kEdge = 2;
const Rect kArea{0, 0, kW, kH};

// Two screenshots of a black work area with a video playing in `video`,
// the rest of the area painted `around`.
struct Pair {
    Pair(const Rect& video, Bgr around = {}, int width = kW, int height = kH) : a(width, height), b(width, height) {
        fillRect(a, {0, 0, width, height}, around);
        fillRect(b, {0, 0, width, height}, around);
        test::paintVideo(a, video, 0);
        test::paintVideo(b, video, 1);
    }
    ScanPasses passes(int menuHeight = kMenuHeight) const { return RunMotionPasses(a, b, menuHeight); }
    ScanFrame a;
    ScanFrame b;
};

TEST(MotionDetectionTest, AVideoInABlackAreaIsFoundFromTheSecondAnalysedScanOnward) {
    const Pair pair({640, 340, 1280, 700});
    const ScanPasses passes = pair.passes();
    EXPECT_EQ(passes.changedPixels, 640 * 360);
    EXPECT_FALSE(AnalyseScan(passes, 0, kEdge, kArea).found);

    const MotionVerdict verdict = AnalyseScan(passes, 1, kEdge, kArea);
    EXPECT_TRUE(verdict.found);
    // Sides inside by the edge width; top one below the video's first row
    // (rows count from 1 at the top), bottom just under its last row.
    EXPECT_EQ(verdict.rect, (Rect{642, 341, 1278, 700}));
    EXPECT_EQ(verdict.rightEdgeAgreement, 360);

    // On monitor 2 the area's origin is added.
    const MotionVerdict moved = AnalyseScan(passes, 3, kEdge, {1920, 40, 1920 + kW, 40 + kH});
    EXPECT_EQ(moved.rect, (Rect{1920 + 642, 40 + 341, 1920 + 1278, 40 + 700}));
}

TEST(MotionDetectionTest, ChangeNotFollowedByAGreyUnchangedPixelIsNeverAccepted) {
    // A still, coloured desktop around the video: no run ever ends.
    const Pair pair({640, 340, 1280, 700}, Bgr{200, 120, 40});
    const ScanPasses passes = pair.passes();
    EXPECT_GT(passes.changedPixels, 50);
    for (int width : passes.runWidth) ASSERT_EQ(width, 0);
    for (int n = 1; n <= 10; ++n) EXPECT_FALSE(AnalyseScan(passes, n, kEdge, kArea).found);
}

TEST(MotionDetectionTest, RowsWhoseRunsEndWithin200PixelsGiveNoRectangle) {
    // A still black bar through the video ends every run 150 pixels after
    // its start: the left edge gets votes, but no row sets the bottom line.
    Pair pair({100, 300, 900, 700});
    fillRect(pair.a, {250, 300, 256, 700}, {});
    fillRect(pair.b, {250, 300, 256, 700}, {});
    const ScanPasses passes = pair.passes();
    EXPECT_EQ(passes.runWidth[kH - 1 - 400], 150);
    EXPECT_EQ(passes.bottomLine, 0);
    EXPECT_FALSE(AnalyseScan(passes, 1, kEdge, kArea).found);
}

TEST(MotionDetectionTest, AreasTooNarrowTooLowOrTooTallAreRefused) {
    struct Case {
        Rect video;
        bool found;
    };
    // Width is the video's less twice the edge, height the video's less one.
    const Case cases[] = {
        {{100, 200, 404, 600}, false},  // 300 wide
        {{100, 200, 405, 600}, true},   // 301
        {{100, 200, 800, 301}, false},  // 100 high
        {{100, 200, 800, 302}, true},   // 101
        {{100, 60, 500, 558}, false},   // 396 wide, 497 high
        {{100, 60, 500, 557}, true},    // 396 wide, 496 high
    };
    for (const Case& c : cases) {
        const Pair pair(c.video);
        EXPECT_EQ(AnalyseScan(pair.passes(), 1, kEdge, kArea).found, c.found)
            << c.video.left << "," << c.video.top << "," << c.video.right << "," << c.video.bottom;
    }
}

TEST(MotionDetectionTest, TooFewRowsAgreeingOnTheRightEdgeIsRefused) {
    // 50 rows of motion below the menu rows, each with its own right edge.
    Pair pair({100, 300, 900, 700});
    for (int y = 300; y < 700; ++y) {
        const int right = 900 - (y % 8 == 0 ? 0 : (y % 200) + 1);
        fillRect(pair.b, {right, y, 900, y + 1}, {});
        fillRect(pair.a, {right, y, 900, y + 1}, {});
    }
    const MotionVerdict verdict = AnalyseScan(pair.passes(), 1, kEdge, kArea);
    EXPECT_EQ(verdict.rightEdgeAgreement, 50);
    EXPECT_FALSE(verdict.found);
}

TEST(MotionDetectionTest, TheBottomTwoRowsNeverStartARunAndTheMenuRowsGiveNoRightEdge) {
    const Pair bottom({0, kH - 2, kW, kH});
    const ScanPasses atBottom = bottom.passes();
    EXPECT_EQ(atBottom.changedPixels, 0);
    EXPECT_EQ(atBottom.runStart[0], 0);
    EXPECT_EQ(atBottom.runStart[1], 0);

    const Pair top({100, 0, 900, 40});
    const ScanPasses atTop = top.passes();
    for (int q = 0; q <= kMenuHeight; ++q) EXPECT_EQ(atTop.rightEdge[q], 0) << q;
    EXPECT_EQ(atTop.rightEdge[kMenuHeight + 1], 900);
    // A menu bar of one row still leaves the top two rows out.
    const ScanPasses shortMenu = top.passes(1);
    EXPECT_EQ(shortMenu.rightEdge[1], 0);
    EXPECT_EQ(shortMenu.rightEdge[2], 900);
}

TEST(MotionDetectionTest, ChangesAtTheVeryEndOfTheFrameStayInsideTheBuffers) {
    // The last pixels of the top row change: the keys that look ahead read
    // only the frame's zero padding.
    const Pair pair({kW - 30, 0, kW, kH}, {}, kW, kH);
    const ScanPasses passes = pair.passes();
    EXPECT_EQ(passes.rightEdge[kMenuHeight + 1], kW);
    EXPECT_EQ(passes.runStart[kH - 1], kW - 30);
}

TEST(MotionDetectionTest, WorkAreasTallerThan3000RowsAreSearchedWhole) {
    // A portrait screen: the video in its top rows, far above row 3000.
    const Pair pair({100, 40, 740, 400}, {}, 800, 3300);
    const MotionVerdict verdict = AnalyseScan(pair.passes(), 1, kEdge, {0, 0, 800, 3300});
    EXPECT_TRUE(verdict.found);
    EXPECT_EQ(verdict.rect, (Rect{102, 41, 738, 400}));
}

TEST(MotionDetectionTest, GreyTest) {
    EXPECT_TRUE(IsGreyPixel(0, 0, 0));
    EXPECT_TRUE(IsGreyPixel(128, 128, 128));
    // Red over equal green and blue by just under 1 % of red, then by 1 %.
    EXPECT_TRUE(IsGreyPixel(200, 199, 199));
    EXPECT_TRUE(IsGreyPixel(201, 199, 199));
    EXPECT_FALSE(IsGreyPixel(100, 99, 99));
    EXPECT_FALSE(IsGreyPixel(199, 197, 197));
    // Green and blue must be equal; green or blue on top is never grey.
    EXPECT_FALSE(IsGreyPixel(200, 199, 198));
    EXPECT_FALSE(IsGreyPixel(199, 200, 199));
    EXPECT_FALSE(IsGreyPixel(199, 199, 200));
}

}  // namespace
}  // namespace talvora
