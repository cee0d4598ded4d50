#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "ui/HotkeyRegistration.h"

namespace talvora {
namespace {

using platform::FakeHotkeys;
using Registration = FakeHotkeys::Registration;

constexpr platform::WindowId kRecorder = 0x2a00007;

TEST(HotkeyTextTest, ParsesTheModifierWordAndTheNumberAfterIt) {
    const struct {
        const char* text;
        HotkeyCombination expected;
    } cases[] = {
        {"CTRL+83", {2, 83}},      {"ALT+77", {1, 77}},     {"SHIFT+80", {4, 80}},
        {"CTRL+", {2, 0}},         {"ALT+X", {1, 0}},       {"CTRL+ 65", {2, 65}},
        {"F5", {0, 0}},            {"", {0, 0}},            {"CTRL+ALT+65", {1, 65}},
        {"SHIFT+99999999999", {4, 2147483647}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHotkey(c.text), c.expected) << c.text;
}

TEST(HotkeyTextTest, DisplaysTheCharacterOfTheCode) {
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"CTRL+83", "CTRL+S"}, {"SHIFT+80", "SHIFT+P"}, {"ALT+49", "ALT+1"},
        {"CTRL+0", "CTRL+"},   {"CTRL+339", "CTRL+S"},  {"NONE", "NONE"},
    };
    for (const auto& c : cases) EXPECT_EQ(HotkeyDisplayText(c.text), c.shown) << c.text;
}

class HotkeyRegistrationTest : public ::testing::Test {
protected:
    HotkeyRegistrationTest() : registration(fp.ctx, hotkeys, [this] { ++muteToggles; }) {
        fp.ctx.messages = RegisteredMessages::registerAll(fp.messages);
        fp.ctx.settings.hotkey1 = "CTRL+83";
        fp.ctx.settings.hotkey2 = "SHIFT+80";
        fp.ctx.settings.hotkey3 = "ALT+77";
    }

    test::FakePlatform fp;
    FakeHotkeys hotkeys;
    int muteToggles = 0;
    HotkeyRegistration registration;
};

TEST_F(HotkeyRegistrationTest, RegistersTheThreeInOrderAndReportsEachFailure) {
    hotkeys.heldElsewhere = {{4, 80}};
    registration.registerAll(kRecorder);
    EXPECT_EQ(hotkeys.attempts, (std::vector<Registration>{{kRecorder, 0, 2, 83},
                                                           {kRecorder, 1, 4, 80},
                                                           {kRecorder, 2, 1, 77}}));
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Cannot register hotkey SHIFT+80"});
    EXPECT_EQ(hotkeys.registered.size(), 2u);

    // A text without a modifier word names no hotkey: nothing tried, nothing said.
    fp.ctx.settings.hotkey3 = "77";
    fp.messageBox.clear();
    hotkeys.heldElsewhere.clear();
    registration.registerAll(kRecorder);
    EXPECT_TRUE(fp.messageBox.texts().empty());
    EXPECT_EQ(hotkeys.registered, (std::vector<Registration>{{kRecorder, 0, 2, 83}, {kRecorder, 1, 4, 80}}));
}

TEST_F(HotkeyRegistrationTest, PressesBecomeTheRecorderWindowsMessagesAndTheMuteToggle) {
    registration.registerAll(kRecorder);
    ASSERT_TRUE(hotkeys.press(2, 83));
    ASSERT_TRUE(hotkeys.press(4, 80));
    ASSERT_TRUE(hotkeys.press(1, 77));
    ASSERT_EQ(fp.messages.posted.size(), 2u);
    const auto& stop = fp.messages.posted[0];
    EXPECT_EQ(stop.window, kRecorder);
    EXPECT_EQ(stop.message, fp.messages.idOf("WM_RECORD_STOP_STR"));
    EXPECT_EQ(stop.wParam, 0);
    EXPECT_EQ(stop.lParam, (83 << 16) | 2);  // key in the high word, modifiers in the low
    const auto& pause = fp.messages.posted[1];
    EXPECT_EQ(pause.message, fp.messages.idOf("WM_RECORD_PAUSE_STR"));
    EXPECT_EQ(pause.wParam, 1);
    EXPECT_EQ(muteToggles, 1);

    EXPECT_EQ(registration.onHotkey(7), 1);
    EXPECT_EQ(fp.messages.posted.size(), 2u);
    EXPECT_EQ(muteToggles, 1);
}

TEST_F(HotkeyRegistrationTest, ARebuiltRecorderWindowGetsAllThree) {
    // The rebuild for a new scale releases only 0 from the old window; its
    // other two would otherwise still hold their combinations.
    registration.registerAll(kRecorder);
    registration.unregister(HotkeyRegistration::kStartStop);
    registration.registerAll(kRecorder + 1);
    EXPECT_TRUE(fp.messageBox.texts().empty());
    EXPECT_EQ(hotkeys.registered, (std::vector<Registration>{{kRecorder + 1, 0, 2, 83},
                                                             {kRecorder + 1, 1, 4, 80},
                                                             {kRecorder + 1, 2, 1, 77}}));
    ASSERT_TRUE(hotkeys.press(2, 83));
    EXPECT_EQ(fp.messages.posted.back().window, kRecorder + 1);

    registration.unregisterAll();
    EXPECT_TRUE(hotkeys.registered.empty());
}

TEST_F(HotkeyRegistrationTest, TheSettingsDialogSwapsKeysAndNamesEachFailure) {
    registration.registerAll(kRecorder);
    // Start/stop and pause change places; mute is taken by another program.
    hotkeys.heldElsewhere = {{1, 78}};
    registration.registerFromDialog({HotkeyCombination{4, 80}, HotkeyCombination{2, 83}, HotkeyCombination{1, 78}});
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Cannot register Mute key"});
    EXPECT_EQ(hotkeys.registered, (std::vector<Registration>{{kRecorder, 0, 4, 80}, {kRecorder, 1, 2, 83}}));
    // A combination without a modifier leaves its key registered.
    registration.registerFromDialog({HotkeyCombination{}, HotkeyCombination{}, HotkeyCombination{2, 77}});
    EXPECT_EQ(hotkeys.registered.size(), 3u);
}

}  // namespace
}  // namespace talvora
