#include "targets/MeetingWindowRules.h"

#include <gtest/gtest.h>

#include <ostream>
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

enum class Found { Nothing, Zoom, Meet, Teams, Jitsi, Webex };

struct ServiceCase {
    std::string title;
    Found found;
};

void PrintTo(const ServiceCase& c, std::ostream* os) { *os << c.title; }

class ServiceTitleTest : public ::testing::TestWithParam<ServiceCase> {};

// Which search, if any, takes a window of this title: Zoom and Google Meet by
// their own rules, the other services by the first that matches.
TEST_P(ServiceTitleTest, NamesTheServiceOfAMeetingInAnyBrowser) {
    platform::FakeWindows windows;
    const WindowId id = windows.add(GetParam().title);
    const OtherMeetingWindow other = FindOtherMeetingWindow(windows);
    Found found = Found::Nothing;
    if (FindZoomWindow(windows).window == id) found = Found::Zoom;
    else if (FindGoogleMeetWindow(windows).window == id) found = Found::Meet;
    else if (other.found.window == id) found = other.service == OtherService::Teams ? Found::Teams
                                               : other.service == OtherService::Jitsi ? Found::Jitsi
                                                                                       : Found::Webex;
    EXPECT_EQ(found, GetParam().found);
}

// Window titles as these browsers write them on Linux: Firefox with an em
// dash, Edge with a zero-width space after "Microsoft".
std::string firefox(const std::string& page) { return page + " \u2014 Mozilla Firefox"; }
std::string edge(const std::string& page) { return page + " - Microsoft\u200b Edge"; }

INSTANTIATE_TEST_SUITE_P(
    Titles, ServiceTitleTest,
    ::testing::Values(
        ServiceCase{"Meet - abc-defg-hij - Google Chrome", Found::Meet},
        ServiceCase{"Meet - abc-defg-hij - Chromium", Found::Meet},
        ServiceCase{firefox("Meet - abc-defg-hij"), Found::Meet},
        ServiceCase{firefox("Meet - abc-defg-hij") + " Private Browsing", Found::Meet},
        ServiceCase{firefox("Meet - abc-defg-hij") + " (Private Browsing)", Found::Meet},
        ServiceCase{edge("Meet - abc-defg-hij"), Found::Meet},
        ServiceCase{"Meet - abc-defg-hij - Microsoft Edge", Found::Meet},
        ServiceCase{"Meet - abc-defg-hij - Brave", Found::Meet},
        ServiceCase{"Meet - abc-defg-hij - Vivaldi", Found::Meet},
        ServiceCase{"Meet - abc-defg-hij - Opera", Found::Meet},
        ServiceCase{firefox("Meet - ~new"), Found::Meet},
        ServiceCase{"Meet - abc-defg-hij", Found::Meet},  // the installed web app
        ServiceCase{"Weekly sync | Microsoft Teams - Google Chrome", Found::Teams},
        ServiceCase{firefox("Weekly sync | Microsoft Teams"), Found::Teams},
        ServiceCase{edge("Weekly sync | Microsoft Teams"), Found::Teams},
        ServiceCase{"Meeting with Ana Ruiz | Microsoft Teams - Brave", Found::Teams},
        ServiceCase{"Weekly sync | Microsoft Teams", Found::Teams},  // the web app's window
        ServiceCase{"SprintReview | Jitsi Meet - Google Chrome", Found::Meet},  // the Chrome rule, as ever
        ServiceCase{firefox("SprintReview | Jitsi Meet"), Found::Jitsi},
        ServiceCase{"SprintReview | Jitsi Meet - Chromium", Found::Jitsi},
        ServiceCase{"SprintReview | Jitsi Meet - Vivaldi", Found::Jitsi},
        ServiceCase{"Cisco Webex Meetings - Google Chrome", Found::Webex},
        ServiceCase{firefox("Cisco Webex Meetings"), Found::Webex},
        ServiceCase{"Webex Meeting - Opera", Found::Webex},
        ServiceCase{"Webex Meeting", Found::Webex},  // the app's meeting window
        // Near misses: home pages, searches, help, the recorder's own windows.
        ServiceCase{firefox("Google Meet"), Found::Nothing},
        ServiceCase{firefox("Google Meet - Google Search"), Found::Nothing},
        ServiceCase{firefox("Meet - Google Search"), Found::Nothing},
        ServiceCase{"Google Meet - Google Search - Chromium", Found::Nothing},
        // Chrome's rule is kept as it was: any "Meet - " in a Chrome window counts.
        ServiceCase{"Google Meet - Google Search - Google Chrome", Found::Meet},
        ServiceCase{firefox("Meet - abc-defg-hij-xyz"), Found::Nothing},
        ServiceCase{firefox("Calendar | Calendar | Microsoft Teams"), Found::Nothing},
        ServiceCase{"(2) Chat | Ana Ruiz | Microsoft Teams", Found::Nothing},
        ServiceCase{"Microsoft Teams", Found::Nothing},
        ServiceCase{firefox("Jitsi Meet"), Found::Nothing},
        ServiceCase{"Jitsi Meet", Found::Nothing},
        ServiceCase{"Webex", Found::Nothing},
        ServiceCase{firefox("Join a Webex meeting - Webex Help Center"), Found::Nothing},
        // The Zoom rule is kept as it was: any title with "Zoom " in it counts.
        ServiceCase{firefox("Joining a meeting - Zoom Support"), Found::Zoom},
        ServiceCase{"Talvora", Found::Nothing},
        ServiceCase{"Talvora recordings", Found::Nothing},
        ServiceCase{"Talvora - Select monitor", Found::Nothing},
        ServiceCase{"Google Meeting_070720_101530.wmv - VLC media player", Found::Nothing}));

}  // namespace
}  // namespace talvora
