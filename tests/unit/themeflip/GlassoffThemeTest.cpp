#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "companions/themeflip/GlassoffTheme.h"
#include "platform/composition/fake/FakeComposition.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/fake/FakeWindowMessages.h"
#include "platform/desktop/fake/FakeWindows.h"

namespace themeflip {
namespace {

// A box that also notes how many notifications had gone out when it appeared.
class OrderedBox : public platform::FakeMessageBox {
public:
    explicit OrderedBox(platform::FakeWindowMessages& messages) : messages_(messages) {}
    int show(const std::string& text, platform::MessageButtons buttons) override {
        postsBefore.push_back(messages_.posted.size());
        if (onShow) onShow();
        return FakeMessageBox::show(text, buttons);
    }
    std::vector<std::size_t> postsBefore;
    std::function<void()> onShow;

private:
    platform::FakeWindowMessages& messages_;
};

const char* const kQuestion =
    "Background mode cannot be setup!\n\nRight click your desktop then click Personalize and select a Windows Aero "
    "theme.\n\nWoud you like to test the Background mode again ?";

class GlassoffThemeTest : public ::testing::Test {
protected:
    GlassoffThemeTest()
        : box(messages),
          theme({windows, messages, box, composition, process},
                {[this] { ++timerStarts; }, [this] { ++timerStops; }}) {}

    // Runs one tick; true when the program ended (with code 0).
    bool tick() {
        try {
            theme.onTimer();
        } catch (const platform::ProcessExit& e) {
            EXPECT_EQ(e.code, 0);
            return true;
        }
        return false;
    }
    std::vector<std::intptr_t> lParams() const {
        std::vector<std::intptr_t> out;
        for (const auto& p : messages.posted) {
            EXPECT_EQ(p.message, messages.idOf("screen capture message"));
            EXPECT_EQ(p.wParam, 1);
            EXPECT_EQ(p.window, caller);
            out.push_back(p.lParam);
        }
        return out;
    }

    platform::FakeWindows windows;
    platform::FakeWindowMessages messages;
    OrderedBox box;
    platform::FakeComposition composition;
    platform::FakeProcessControl process;
    GlassoffTheme theme;
    platform::WindowId caller = windows.add("Talvora");
    int timerStarts = 0;
    int timerStops = 0;
};

TEST_F(GlassoffThemeTest, ParserCountsDroppedTokensAndHandlesSwitches) {
    std::vector<std::string> tokens(19, "x");
    tokens.insert(tokens.begin(), {"-w", "Talvora"});  // 21 tokens
    EXPECT_TRUE(theme.initInstance(tokens));
    EXPECT_EQ(box.texts(), std::vector<std::string>{"Too many parameters 20"});

    box.clear();
    tokens.push_back("y");  // 22 tokens: the parse starts afresh
    EXPECT_TRUE(theme.initInstance(tokens));
    EXPECT_EQ(box.texts(), (std::vector<std::string>{"Too many parameters 20", "Too many parameters 21"}));
}

TEST_F(GlassoffThemeTest, CallerTitleMustBeOneOfTheAcceptedOnesExactly) {
    EXPECT_TRUE(theme.initInstance({"/w", "Talvora"}));
    EXPECT_TRUE(theme.initInstance({"-w", "Ondrel Realtime Recorder"}));  // one token holding blanks
    EXPECT_EQ(theme.callerTitle(), "Ondrel Realtime Recorder");
    EXPECT_FALSE(theme.initInstance({"-w", "talvora"}));
    EXPECT_FALSE(theme.initInstance({"-W", "Talvora"}));
    EXPECT_FALSE(theme.initInstance({"-enab", "0"}));
    EXPECT_FALSE(theme.initInstance({"Talvora", "-w"}));  // a switch last has an empty value
    EXPECT_FALSE(theme.initInstance({"-w", ""}));
    EXPECT_FALSE(theme.initInstance({"-w", std::string(10000, 'T')}));
    EXPECT_FALSE(theme.initInstance({"-w", "Talv\xff\xfe"}));
    EXPECT_TRUE(box.shown().empty());
}

TEST_F(GlassoffThemeTest, ModeSwitchTakesTheNumberAfterIt) {
    EXPECT_TRUE(theme.initInstance({"-w", "Talvora", "/enab", "x"}));
    EXPECT_EQ(theme.mode(), 0);
    EXPECT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    EXPECT_EQ(theme.mode(), 1);
    EXPECT_TRUE(theme.initInstance({"-w", "Talvora", "-enab"}));
    EXPECT_EQ(theme.mode(), 0);
    EXPECT_TRUE(theme.initInstance({"-w", "Talvora", "-Enab", "1"}));
    EXPECT_EQ(theme.mode(), 0);
}

TEST_F(GlassoffThemeTest, ModeZeroSwitchesOffOnceAndEndsWithItsCallerGivingItBack) {
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora"}));
    EXPECT_FALSE(tick());
    EXPECT_FALSE(composition.enabled);
    EXPECT_EQ(timerStops, 1);
    EXPECT_EQ(timerStarts, 1);
    EXPECT_FALSE(tick());
    EXPECT_EQ(composition.disables, 1);

    windows.remove(caller);
    EXPECT_TRUE(tick());
    EXPECT_TRUE(composition.enabled);
    EXPECT_TRUE(messages.posted.empty());
}

TEST_F(GlassoffThemeTest, AStartGivesBackWhatAKilledCompanionLeftOffUnlessOneRuns) {
    composition.enabled = false;
    composition.leftOff = true;
    const platform::WindowId other = windows.add("Glassoff");
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora"}));
    EXPECT_FALSE(composition.enabled);

    windows.remove(other);
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora"}));
    EXPECT_TRUE(composition.enabled);
}

TEST_F(GlassoffThemeTest, ModeZeroWithoutCallerEndsAtTheFirstTick) {
    windows.remove(caller);
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora"}));
    EXPECT_TRUE(tick());
    EXPECT_EQ(composition.disables, 1);
    EXPECT_EQ(composition.restores, 1);
}

TEST_F(GlassoffThemeTest, ModeOneWithCompositionOnReportsThreeWithoutAskingAndEnds) {
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    EXPECT_TRUE(tick());
    EXPECT_EQ(lParams(), std::vector<std::intptr_t>{3});
    EXPECT_TRUE(box.shown().empty());
    EXPECT_EQ(composition.disables, 0);
}

TEST_F(GlassoffThemeTest, ModeOneWithCompositionOffPostsTwoAsksAndReportsOneOnNo) {
    composition.enabled = false;
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    box.queueAnswer(platform::IDNO);
    EXPECT_TRUE(tick());
    EXPECT_EQ(box.texts(), std::vector<std::string>{kQuestion});
    EXPECT_EQ(box.shown()[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(box.postsBefore, std::vector<std::size_t>{1});  // 2 went out before the question
    EXPECT_EQ(lParams(), (std::vector<std::intptr_t>{2, 1}));
}

TEST_F(GlassoffThemeTest, ModeOneRetriesOnYesAndSaysSoWhenCompositionCameBack) {
    composition.enabled = false;
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    box.queueAnswer(platform::IDYES);
    EXPECT_FALSE(tick());
    EXPECT_EQ(theme.retries(), 1);
    EXPECT_EQ(timerStarts, 1);

    composition.enabled = true;
    EXPECT_TRUE(tick());
    EXPECT_EQ(box.texts(), (std::vector<std::string>{kQuestion, "Background mode successfully enabled."}));
    EXPECT_EQ(lParams(), (std::vector<std::intptr_t>{2, 3}));
}

TEST_F(GlassoffThemeTest, ModeOneOnNoTestsAgainBeforeGivingUp) {
    composition.enabled = false;
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    // The user switches compositing on while the question is open.
    box.onShow = [this] { composition.enabled = true; };
    box.queueAnswer(platform::IDNO);
    EXPECT_TRUE(tick());
    EXPECT_EQ(box.texts(),
              (std::vector<std::string>{
                  kQuestion,
                  "Background mode successfully enabled. Vexa Recorder will close now. Please restart the program."}));
    EXPECT_EQ(lParams(), (std::vector<std::intptr_t>{2, 3}));
}

TEST_F(GlassoffThemeTest, CallerGoneBeforeTheAnswerIsNotTold) {
    composition.enabled = false;
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "1"}));
    box.onShow = [this] { windows.remove(caller); };
    box.queueAnswer(platform::IDNO);
    EXPECT_TRUE(tick());
    EXPECT_EQ(lParams(), std::vector<std::intptr_t>{2});
}

TEST_F(GlassoffThemeTest, OtherModesOnlyWatchTheCaller) {
    ASSERT_TRUE(theme.initInstance({"-w", "Talvora", "-enab", "7"}));
    EXPECT_FALSE(tick());
    EXPECT_EQ(composition.disables + composition.queries, 0);
    windows.remove(caller);
    EXPECT_TRUE(tick());
}

}  // namespace
}  // namespace themeflip
