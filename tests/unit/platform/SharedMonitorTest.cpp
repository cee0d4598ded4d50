#include <gtest/gtest.h>

#include "platform/desktop/linux/SharedMonitor.h"

namespace platform {
namespace {

// GNOME's and KDE's portals place the monitor and give its logical size,
// which outweigh the monitors the pictures fit: the pictures of a monitor
// at scale 2 are as large as an unscaled one beside it.
TEST(SharedMonitorTest, ThePortalsPlaceAndLogicalSizeOutweighFittingMonitors) {
    const std::vector<Rect> scaledRight{{0, 0, 2560, 1440}, {2560, 0, 3840, 720}};
    EXPECT_EQ(locateSharedMonitor({{2560, 0}, 1280, 720, 2560, 1440}, scaledRight), (Rect{2560, 0, 3840, 720}));
    const std::vector<Rect> alike{{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    EXPECT_EQ(locateSharedMonitor({{1920, 0}, 1920, 1080, 1920, 1080}, alike), (Rect{1920, 0, 3840, 1080}));
    const std::vector<Rect> scaledAtOrigin{{0, 0, 1280, 720}, {1280, 0, 3840, 1440}};
    EXPECT_EQ(locateSharedMonitor({{0, 0}, 1280, 720, 2560, 1440}, scaledAtOrigin), (Rect{0, 0, 1280, 720}));
}

// Two monitors the pictures fit alike: neither is guessed.
TEST(SharedMonitorTest, TwoFittingMonitorsLeaveTheOriginUnscaled) {
    const std::vector<Rect> alike{{1280, 0, 1920, 360}, {1280, 360, 1920, 720}};
    EXPECT_EQ(locateSharedMonitor({{0, 0}, 1280, 720, 1280, 720}, alike), (Rect{0, 0, 1280, 720}));
}

}  // namespace
}  // namespace platform
