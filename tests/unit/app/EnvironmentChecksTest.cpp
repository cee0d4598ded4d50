#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "app/FilterRegistration.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "app/WindowsVersion.h"

namespace talvora {
namespace {

struct VersionCase {
    int major;
    int minor;
    bool productInfo;
    const char* text;
    bool vista;
    bool notWin7;
    bool win10;
};

TEST(WindowsVersionTest, TextsAndFlagsFromVersionNumbers) {
    const VersionCase cases[] = {
        {6, 1, true, "Windows Version: 6.1 (Windows 7)", true, false, false},
        {6, 2, true, "Windows Version: 6.2 (Windows 8)", true, true, false},
        {6, 3, true, "Windows Version: 6.3 (Windows 8.1)", true, true, false},
        {10, 0, true, "Windows Version: 10.0 (Windows 10)", true, true, true},
        {6, 0, false, "Windows Version: 6.0 (Windows Vista)", true, true, false},
        {5, 1, false, "Windows Version: 5.1 (Windows XP)", false, false, false},
        {5, 1, true, "Windows Version: 6+", true, false, false},
    };
    for (const auto& c : cases) {
        test::FakePlatform fp;
        fp.system.version = {c.major, c.minor, c.productInfo, true};
        DetectWindowsVersion(fp.ctx);
        const Environment& env = fp.ctx.environment;
        EXPECT_EQ(env.versionText, c.text) << c.major << "." << c.minor;
        EXPECT_EQ(env.vistaOrLater.load(), c.vista) << c.text;
        EXPECT_EQ(env.notWindows7.load(), c.notWin7) << c.text;
        EXPECT_EQ(env.windows10.load(), c.win10) << c.text;
    }
}

TEST(WindowsVersionTest, ProductQueryCountsOnlyAtTheFirstCheckAndSystemNameFollows) {
    test::FakePlatform fp;
    fp.system.version = {5, 1, true, true};
    fp.ctx.environment.versionChecked = true;
    DetectWindowsVersion(fp.ctx);
    EXPECT_FALSE(fp.ctx.environment.vistaOrLater.load());

    fp.system.version = {10, 0, true, true};
    fp.system.name = "Debian GNU/Linux 12 (bookworm), Linux 6.1.0";
    DetectWindowsVersion(fp.ctx);
    EXPECT_EQ(fp.ctx.environment.versionText,
              "Windows Version: 10.0 (Windows 10) - Debian GNU/Linux 12 (bookworm), Linux 6.1.0");

    fp.system.version.ok = false;  // a failed query keeps what is known
    DetectWindowsVersion(fp.ctx);
    EXPECT_TRUE(fp.ctx.environment.windows10.load());
}

TEST(IsUserAdminTest, FollowsTheSystem) {
    test::FakePlatform fp;
    fp.system.administrator = true;
    EXPECT_TRUE(IsUserAdmin(fp.ctx));
    EXPECT_TRUE(fp.ctx.environment.administrator.load());
}

class MonitorDetectionTest : public ::testing::Test {
protected:
    void detect() {
        SettingsStore store(fp.ctx);
        store.prepareDataFolder();
        DetectMonitors(fp.ctx, store);
    }
    test::FakePlatform fp;
};

TEST_F(MonitorDetectionTest, OneMonitorIsTheDesktop) {
    fp.display.setSingle(1920, 1080, 40);
    fp.ctx.settings.monitor = 2;
    detect();
    const Environment& env = fp.ctx.environment;
    EXPECT_EQ(env.monitorCount, 1);
    EXPECT_EQ(fp.ctx.settings.monitor, 1);
    EXPECT_EQ(env.mainMonitorRect, (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(env.taskbarHeight, 40);
}

TEST_F(MonitorDetectionTest, SecondaryOnTheLeftIsFoundFromTheOtherSide) {
    fp.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                              {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}}};
    detect();
    const Environment& env = fp.ctx.environment;
    EXPECT_EQ(env.monitorCount, 2);
    EXPECT_EQ(env.mainMonitorRect, (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(env.otherMonitorRect, (platform::Rect{-1280, 0, 0, 1024}));
    EXPECT_EQ(fp.ctx.settings.monitor, 1);
}

TEST_F(MonitorDetectionTest, SecondaryOnTheRightAndThreeMonitors) {
    fp.display.monitorList = {{{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}},
                              {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                              {{3200, 0, 4480, 1024}, {3200, 0, 4480, 1000}}};
    fp.ctx.settings.monitor = 0;
    detect();
    const Environment& env = fp.ctx.environment;
    EXPECT_EQ(env.monitorCount, 3);
    EXPECT_EQ(env.mainMonitorRect, (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(env.otherMonitorRect, (platform::Rect{3200, 0, 4480, 1024}));  // nearest to (20000, 500)
    EXPECT_EQ(env.otherWorkRect, (platform::Rect{3200, 0, 4480, 1000}));
    EXPECT_EQ(fp.ctx.settings.monitor, 1);
}

TEST_F(MonitorDetectionTest, OtherMonitorAtTheOriginSelectsMonitorTwo) {
    // The primary screen's centre lies on the right monitor; the left one starts at 0.
    fp.display.monitorList = {{{0, 0, 800, 600}, {0, 0, 800, 600}}, {{800, 0, 2720, 1080}, {800, 0, 2720, 1040}}};
    fp.display.width = 2720;
    fp.display.height = 1080;
    fp.ctx.settings.monitor = 0;
    detect();
    EXPECT_EQ(fp.ctx.environment.mainMonitorRect.left, 800);
    EXPECT_EQ(fp.ctx.settings.monitor, 2);
}

TEST_F(MonitorDetectionTest, PrimaryScreenOffTheOriginIsTheMainMonitor) {
    fp.display.monitorList = {{{0, 0, 960, 1080}, {0, 0, 960, 1080}}, {{960, 0, 1920, 1080}, {960, 0, 1920, 1040}}};
    fp.display.desktop = {960, 0, 1920, 1080};
    fp.display.width = 960;
    fp.display.height = 1080;
    fp.ctx.settings.monitor = 0;
    detect();
    const Environment& env = fp.ctx.environment;
    EXPECT_EQ(env.desktopRect, (platform::Rect{960, 0, 1920, 1080}));
    EXPECT_EQ(env.mainMonitorRect, (platform::Rect{960, 0, 1920, 1080}));
    EXPECT_EQ(env.otherMonitorRect, (platform::Rect{0, 0, 960, 1080}));
    EXPECT_EQ(fp.ctx.settings.monitor, 2);  // the other monitor starts at 0
}

TEST(FilterRegistrationTest, RegistersBothListsInOrderAndLogsTheFirst) {
    test::FakePlatform fp;
    fp.ctx.environment.administrator = true;
    fp.ctx.environment.vistaOrLater = true;
    fp.launcher.missing = {};
    RegisterFilters(fp.ctx);
    ASSERT_EQ(fp.launcher.calls.size(), 18u);
    const auto& first = fp.launcher.calls.front();
    EXPECT_EQ(first.verb, "runas");
    EXPECT_EQ(first.file, "regsvr32");
    EXPECT_EQ(first.parameters, " /s \"" + fp.folders.program + "/Bin/mc_enc_mp2v_ds.ax\"");
    EXPECT_EQ(first.timeout_ms, 10000);
    EXPECT_EQ(fp.launcher.calls[11].parameters, " /s \"" + fp.folders.program + "/Bin/VozEza5.ax\"");
    EXPECT_EQ(fp.launcher.calls[17].parameters, " /s \"" + fp.folders.program + "/Bin/wvd.ax\"");
    const auto lines = fp.log.lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.front(), "mc_enc_mp2v_ds.ax ret=1");
    EXPECT_EQ(lines.back(), "mccsc.ax ret=1");
}

TEST(FilterRegistrationTest, RefusedStartsAreLoggedAsZeroAndPlainUsersOpen) {
    test::FakePlatform fp;
    fp.launcher.missing = {"regsvr32"};
    RegisterFilters(fp.ctx);
    EXPECT_EQ(fp.launcher.calls.front().verb, "open");
    EXPECT_EQ(fp.log.lines().front(), "mc_enc_mp2v_ds.ax ret=0");
    EXPECT_TRUE(fp.messageBox.shown().empty());
}

TEST(LogSystemInfoTest, WritesTheBlock) {
    test::FakePlatform fp;
    fp.registry.values[{platform::RegistryRoot::LocalMachine, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                        "ProcessorNameString"}] = "Test CPU @ 3.00GHz";
    fp.system.processors = 2;
    LogSystemInfo(fp.ctx);
    EXPECT_EQ(fp.log.lines().at(0),
              "\r\nScreen resolution: 1920x1080\r\nMonitors: 1\r\nNumber of processors: 2\r\nProcessor: Test CPU @ 3.00GHz");
}

}  // namespace
}  // namespace talvora
