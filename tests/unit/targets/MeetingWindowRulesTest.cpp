#include "targets/MeetingWindowRules.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/desktop/fake/FakeWindows.h"

namespace talvora {
namespace {

using platform::Rect;
using platform::WindowId;

struct TitleCase {
    std::string title;
    bool zoom;
    bool meet;
};

class TitleRuleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleRuleTest, DecidesWhichKindOfWindowATitleNames) {
    platform::FakeWindows windows;
    const WindowId id = windows.add(GetParam().title);
    EXPECT_EQ(FindZoomWindow(windows).window, GetParam().zoom ? id : 0u);
    EXPECT_EQ(FindGoogleMeetWindow(windows).window, GetParam().meet ? id : 0u);
}

INSTANTIATE_TEST_SUITE_P(Titles, TitleRuleTest,
                         ::testing::Values(TitleCase{"Zoom", true, false}, TitleCase{"Zoom Meeting", true, false},
                                           TitleCase{"Zoom ", true, false}, TitleCase{"MyZoom", false, false},
                                           TitleCase{"zoom meeting", false, false},
                                           TitleCase{"Zoom Cloud Meetings", true, false},
                                           TitleCase{"Talvora", false, false},
                                           TitleCase{"Meet - abc-defg-hij - Google Chrome", false, true},
                                           TitleCase{"Meet - ~new - Google Chrome", false, true},
                                           TitleCase{"Meet - abc-defg-hij", false, false},
                                           TitleCase{"Google Chrome", false, false},
                                           TitleCase{"Google Meeting - Zoom", false, false},
                                           TitleCase{"Meet - Zoom Meeting - Google Chrome", true, true}));

struct ShapeCase {
    Rect rect;
    bool visible;
    bool minimized;
    bool taken;
};

class ShapeRuleTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeRuleTest, OnlyShownWindowsLargerThan50PixelsCount) {
    platform::FakeWindows windows;
    const ShapeCase& c = GetParam();
    for (const char* title : {"Zoom Meeting", "Meet - abc-defg-hij - Google Chrome"}) {
        const WindowId id = windows.add(title, c.rect);
        windows.get(id)->visible = c.visible;
        windows.get(id)->minimized = c.minimized;
    }
    EXPECT_EQ(FindZoomWindow(windows).window != 0, c.taken);
    EXPECT_EQ(FindGoogleMeetWindow(windows).window != 0, c.taken);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeRuleTest,
                         ::testing::Values(ShapeCase{{100, 100, 150, 400}, true, false, false},  // 50 wide
                                           ShapeCase{{100, 100, 151, 400}, true, false, true},   // 51 wide
                                           ShapeCase{{100, 100, 400, 150}, true, false, false},  // 50 high
                                           ShapeCase{{100, 100, 400, 151}, true, false, true},   // 51 high
                                           ShapeCase{{-500, -400, -100, -100}, true, false, true},
                                           ShapeCase{{0, 0, 400, 300}, false, false, false},
                                           ShapeCase{{0, 0, 400, 300}, true, true, false}));

TEST(MeetingWindowRulesTest, TheTopmostMatchingWindowIsTaken) {
    platform::FakeWindows windows;
    windows.add("Zoom Meeting");
    const WindowId upper = windows.add("Zoom");
    windows.add("Zoom Meeting", {0, 0, 40, 40});  // topmost but too small
    EXPECT_EQ(FindZoomWindow(windows).window, upper);
    EXPECT_EQ(FindZoomWindow(windows).title, "Zoom");
}

struct StyleCase {
    std::uint32_t style;
    bool taken;
};

class StyleRuleTest : public ::testing::TestWithParam<StyleCase> {};

// Only the exact style is refused; the search then ends, even though a lower
// window would match, and the refused window's title is still reported.
TEST_P(StyleRuleTest, ExactNoRedirectionStyleIsRefusedAndEndsTheSearch) {
    platform::FakeWindows windows;
    windows.add("Meet - lower - Google Chrome");
    const WindowId upper = windows.add("Meet - upper - Google Chrome");
    windows.get(upper)->extendedStyle = GetParam().style;

    const MeetingWindow found = FindGoogleMeetWindow(windows);
    EXPECT_EQ(found.window, GetParam().taken ? upper : 0u);
    EXPECT_TRUE(found.matched);
    EXPECT_EQ(found.title, "Meet - upper - Google Chrome");
}

INSTANTIATE_TEST_SUITE_P(Styles, StyleRuleTest,
                         ::testing::Values(StyleCase{0x00200000, false}, StyleCase{0x00200008, true},
                                           StyleCase{0x00280000, true}, StyleCase{0, true},
                                           StyleCase{0x00000008, true}));

}  // namespace
}  // namespace talvora
