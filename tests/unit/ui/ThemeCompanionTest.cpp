#include <gtest/gtest.h>

#include <fstream>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "ui/ThemeCompanion.h"

namespace talvora {
namespace {

const char* const kFailure =
    "Cannot setup Windows Basic desktop theme. Try to manually change your Windows 7 theme to Windows Basic.";
const char* const kNotice =
    "In order to improve the quality of recorded video Callvane will now use the Windows Basic theme. Your screen "
    "may flicker for a moment. You can disable this from Settings.\n\nClick OK to continue";

class ThemeCompanionTest : public ::testing::Test {
protected:
    ThemeCompanionTest() : store(fp.ctx), programFolder(fp, store) {
        // Windows 7: the one desktop where the companion is started.
        fp.ctx.environment.vistaOrLater = true;
        fp.ctx.environment.notWindows7 = false;
        fp.ctx.environment.windows10 = false;
    }
    // The settings as the file holds them now.
    Settings saved() {
        const Settings now = fp.ctx.settings;
        store.read();
        Settings fromFile = fp.ctx.settings;
        fp.ctx.settings = now;
        return fromFile;
    }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder programFolder;
};

TEST_F(ThemeCompanionTest, StartsWithTheFrameTitleAfterClosingARunningCompanion) {
    const platform::WindowId old = fp.windows.add("Glassoff");
    fp.pump.onPump = [&](int) {
        if (fp.pump.durations().size() == 2) fp.windows.remove(old);
    };
    EXPECT_TRUE(StartThemeCompanion(fp.ctx, store));

    ASSERT_EQ(fp.messages.posted.size(), 1u);
    EXPECT_EQ(fp.messages.posted[0].window, old);
    EXPECT_EQ(fp.messages.posted[0].message, fp.messages.idOf("WM_CLOSE"));
    EXPECT_EQ(fp.pump.durations().size(), 2u);  // the start waited for the old one's end
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].verb, "open");
    EXPECT_EQ(fp.launcher.calls[0].file, ".\\themeflip.exe");
    EXPECT_EQ(fp.launcher.calls[0].parameters, "-w \"Talvora\"");
    EXPECT_EQ(fp.launcher.calls[0].show, platform::ShowState::Normal);
}

TEST_F(ThemeCompanionTest, ACompanionThatDoesNotCloseDelaysTheStartAtMostTwoSeconds) {
    fp.windows.add("Glassoff");
    EXPECT_TRUE(StartThemeCompanion(fp.ctx, store));
    int waited_ms = 0;
    for (int d : fp.pump.durations()) waited_ms += d;
    EXPECT_EQ(waited_ms, 2000);
    EXPECT_EQ(fp.launcher.calls.size(), 1u);
}

TEST_F(ThemeCompanionTest, FailedStartSwitchesBasicOffAndSaysSo) {
    fp.ctx.settings.basic = 1;
    store.write();
    fp.launcher.missing.push_back(".\\themeflip.exe");
    EXPECT_FALSE(StartThemeCompanion(fp.ctx, store));
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{kFailure});
    EXPECT_EQ(saved().basic, 0);
}

TEST_F(ThemeCompanionTest, NothingHappensOffWindows7) {
    fp.ctx.environment.notWindows7 = true;
    fp.ctx.settings.basic = 1;
    EXPECT_TRUE(StartThemeCompanion(fp.ctx, store));
    ThemeStartupStep(fp.ctx, store);
    EXPECT_TRUE(fp.launcher.calls.empty());
    EXPECT_TRUE(fp.messageBox.shown().empty());
}

TEST_F(ThemeCompanionTest, StartupOffersTheBasicThemeOnceOnWindows7) {
    fp.ctx.settings.basic = 0;
    fp.ctx.settings.install = 0;
    ThemeStartupStep(fp.ctx, store);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{kNotice});
    EXPECT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(saved().basic, 1);
    EXPECT_EQ(saved().install, 1);

    // Next start: `Basic` on, so the companion starts without a word.
    fp.messageBox.clear();
    ThemeStartupStep(fp.ctx, store);
    EXPECT_TRUE(fp.messageBox.shown().empty());
    EXPECT_EQ(fp.launcher.calls.size(), 2u);

    // Switched off by the user after the notice: nothing more.
    fp.ctx.settings.basic = 0;
    ThemeStartupStep(fp.ctx, store);
    EXPECT_EQ(fp.launcher.calls.size(), 2u);
}

TEST_F(ThemeCompanionTest, RestoreOpensOnlyAFullPathAndClearsSetTopWindow) {
    fp.ctx.settings.setTopWindow = 1;
    RestoreSavedTheme(fp.ctx, store);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Cannot restore Windows theme. Try to do this manually"});
    EXPECT_EQ(saved().setTopWindow, 0);

    fp.messageBox.clear();
    std::ofstream("SavedTheme.txt") << "/usr/share/themes/basic.theme\n";
    RestoreSavedTheme(fp.ctx, store);
    EXPECT_TRUE(fp.launcher.calls.empty());  // no drive: stops silently
    EXPECT_TRUE(fp.messageBox.shown().empty());

    std::ofstream("SavedTheme.txt") << "C:\\Themes\\aero.theme\r\nsecond line\n";
    RestoreSavedTheme(fp.ctx, store);
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, "C:\\Themes\\aero.theme");
    EXPECT_EQ(fp.launcher.calls[0].show, platform::ShowState::Hidden);
}

}  // namespace
}  // namespace talvora
