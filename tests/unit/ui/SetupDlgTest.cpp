#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FakePlatform.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/DialogControls.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "targets/FakeTrackerHost.h"
#include "targets/WindowTracker.h"
#include "ui/HotkeyRegistration.h"
#include "ui/HotkeyText.h"
#include "ui/MonitorChoice.h"
#include "ui/MonitorDlg.h"
#include "ui/SetupDlg.h"
#include "ui/SetupHost.h"
#include "ui/SetupRules.h"

namespace talvora {
namespace {

TEST(SetupRulesTest, Durations) {
    const struct {
        const char* text;
        bool refused;
        bool overDay;
        int seconds;
    } cases[] = {
        {"", false, false, 0},
        {"1:30:00", false, false, 5400},
        {"01:30:00", false, false, 5400},
        {"12", true, false, 0},
        {"12345678", false, false, -1},  // eight characters without ':' mean no limit
        {"25:00:00", false, true, 90000},
        {"24:00:00", false, false, 86400},
        {"99:99:99", false, true, 362439},
        {"::", false, false, -1},
        {"-1:00:00", false, false, -1},
        {"1:30", false, false, -1},
        {"1:2:3:4", false, false, -1},
        {"999999999:00:00", false, true, 2147483647},
    };
    for (const auto& c : cases) {
        const DurationEntry e = ReadDuration(c.text);
        EXPECT_EQ(e.refused, c.refused) << c.text;
        EXPECT_EQ(e.overDay, c.overDay) << c.text;
        EXPECT_EQ(e.seconds, c.seconds) << c.text;
    }
    EXPECT_EQ(DurationEditText(5400), "01:30:00");
    EXPECT_EQ(DurationEditText(0), "");
    EXPECT_EQ(DurationEditText(-1), "");
}

TEST(SetupRulesTest, HotkeyEditsAndScales) {
    EXPECT_EQ(HotkeySettingFromEdit(u"ctrl+s"), "CTRL+83");
    EXPECT_EQ(HotkeySettingFromEdit(u"ALT+R"), "ALT+82");
    EXPECT_EQ(HotkeySettingFromEdit(u"shift+p"), "SHIFT+80");
    // "ALT+" wins over the others, "SHIFT+" over "CTRL+".
    EXPECT_EQ(HotkeySettingFromEdit(u"CTRL+SHIFT+A"), "SHIFT+65");
    EXPECT_EQ(HotkeySettingFromEdit(u"R"), "");
    EXPECT_EQ(HotkeySettingFromEdit(u"ALT+"), "");
    // Only the first 49 characters count.
    EXPECT_EQ(HotkeySettingFromEdit(u"ALT+R" + std::u16string(60, u'x')), "ALT+82");
    EXPECT_EQ(HotkeySettingFromEdit(std::u16string(50, u'x') + u"ALT+R"), "");

    // Function keys go through the edit by name: their codes would show as
    // lower-case letters and come back as other keys.
    for (const std::string stored : {"CTRL+120", "ALT+112", "SHIFT+135"})
        EXPECT_EQ(HotkeySettingFromEdit(QString::fromStdString(HotkeyDisplayText(stored)).toStdU16String()), stored);
    EXPECT_EQ(HotkeyDisplayText("CTRL+121"), "CTRL+F10");
    EXPECT_EQ(HotkeySettingFromEdit(u"ctrl+f11"), "CTRL+122");
    for (const char16_t* letterF : {u"CTRL+F", u"CTRL+F0", u"CTRL+F25", u"CTRL+F100", u"CTRL+FA"})
        EXPECT_EQ(HotkeySettingFromEdit(letterF), "CTRL+70");

    for (const char* bad : {"49", "251", "", "9999999999", "0"}) EXPECT_FALSE(ReadScale(bad)) << bad;
    EXPECT_EQ(ReadScale("50"), 50);
    EXPECT_EQ(ReadScale("250"), 250);
}

// What the settings dialog asked of the recorder window.
class FakeSetupHost : public SetupHost {
public:
    FakeSetupHost(AppContext& ctx, SettingsStore& store)
        : registration(ctx, hotkeys, [] {}), tracker_(ctx, store, trackerHost) {
        registration.registerAll(7);
    }
    void stopTimer() override { timer.push_back("stop"); }
    void startTimer() override { timer.push_back("start"); }
    WindowTracker& tracker() override { return tracker_; }
    void restartPreview() override { ++previewRestarts; }
    void registerHotkeys(const std::array<HotkeyCombination, 3>& combinations) override {
        for (int id = 0; id < 3; ++id)
            if (combinations[static_cast<std::size_t>(id)].modifiers != 0)
                registered.push_back({id, combinations[static_cast<std::size_t>(id)]});
        registration.registerFromDialog(combinations);
    }
    int markingState() override { return marking; }
    bool canMarkRegion() override { return canMark; }
    void markRegion() override { ++markings; }
    void closeProgram() override { ++exits; }
    void runAudioSetup() override { ++audioSetups; }
    void closeSettings() override { ++closes; }
    void rebuildRecorder(int percent) override { rebuilds.push_back(percent); }

    test::FakeTrackerHost trackerHost;
    platform::FakeHotkeys hotkeys;
    HotkeyRegistration registration;
    std::vector<std::string> timer;
    std::vector<std::pair<int, HotkeyCombination>> registered;
    std::vector<int> rebuilds;
    int previewRestarts = 0, marking = 0, markings = 0, exits = 0, audioSetups = 0, closes = 0;
    bool canMark = true;

private:
    WindowTracker tracker_;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SetupDlgTest : public ::testing::Test {
protected:
    SetupDlgTest() : store(fp.ctx), folder(fp, store), host(fp.ctx, store) { fp.ctx.settings.size = 100; }

    std::unique_ptr<SetupDlg> open() { return std::make_unique<SetupDlg>(fp.ctx, store, host); }
    static QLineEdit* edit(const SetupDlg& d, int id) { return platform::controlById<QLineEdit>(&d, id); }
    static QCheckBox* box(const SetupDlg& d, int id) { return platform::controlById<QCheckBox>(&d, id); }
    static void click(const SetupDlg& d, int id) { platform::controlById<QAbstractButton>(&d, id)->click(); }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder folder;
    FakeSetupHost host;
};

TEST_F(SetupDlgTest, OpeningShowsTheSettings) {
    Settings& s = fp.ctx.settings;
    s.maxFileTime = 5400;
    s.hotkey1 = "CTRL+83";
    s.hotkey2 = "SHIFT+80";
    s.hotkey3 = "";
    s.audioOnly = 1;
    s.convertMP3 = 1;
    fp.ctx.environment.versionText = "Linux 6.1";
    const auto d = open();
    EXPECT_EQ(d->windowTitle(), "Settings");
    EXPECT_EQ(edit(*d, 1170)->text(), "01:30:00");
    EXPECT_EQ(edit(*d, 1172)->text(), "100");
    EXPECT_EQ(edit(*d, 1251)->text(), "CTRL+S");
    EXPECT_EQ(edit(*d, 123)->text(), "SHIFT+P");
    EXPECT_EQ(edit(*d, 1174)->text(), "");
    EXPECT_FALSE(box(*d, 1166)->isChecked());
    EXPECT_TRUE(box(*d, 1222)->isChecked());
    EXPECT_FALSE(box(*d, 1167)->isChecked());
    EXPECT_TRUE(box(*d, 1224)->isChecked());
    EXPECT_EQ(platform::controlById<QLabel>(d.get(), 1229)->text(), "Linux 6.1");
    EXPECT_EQ(platform::controlById<QLabel>(d.get(), 1230)->text(), "Talvora version: 1.2.0 - 07.07.20");
}

TEST_F(SetupDlgTest, RecordWhatClicksKeepOneChecked) {
    const auto d = open();
    click(*d, 1166);  // both -> audio only
    EXPECT_FALSE(box(*d, 1166)->isChecked());
    EXPECT_TRUE(box(*d, 1222)->isChecked());
    click(*d, 1222);  // unchecking audio while video is unchecked checks video
    EXPECT_TRUE(box(*d, 1166)->isChecked());
    EXPECT_FALSE(box(*d, 1222)->isChecked());
    click(*d, 1222);
    EXPECT_TRUE(box(*d, 1166)->isChecked());
    EXPECT_TRUE(box(*d, 1222)->isChecked());
    click(*d, 1222);
    d->accept();
    EXPECT_EQ(fp.ctx.settings.videoOnly, 1);
    EXPECT_EQ(fp.ctx.settings.audioOnly, 0);
}

TEST_F(SetupDlgTest, ModifierButtonsFillTheLastFocusedEdit) {
    fp.ctx.settings.hotkey2 = "CTRL+80";
    const auto d = open();
    d->show();
    click(*d, 3);  // no edit had the focus: nothing
    EXPECT_EQ(edit(*d, 1251)->text(), "CTRL+F9");
    EXPECT_EQ(edit(*d, 123)->text(), "CTRL+P");
    d->activateWindow();
    edit(*d, 123)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(d->trackedHotkeyEdit(), 2);
    click(*d, 3);
    EXPECT_EQ(edit(*d, 123)->text(), "ALT+");
    EXPECT_EQ(d->trackedHotkeyEdit(), 0);
    click(*d, 4);  // the tracker was cleared
    EXPECT_EQ(edit(*d, 123)->text(), "ALT+");
    edit(*d, 1174)->setFocus();
    QApplication::processEvents();
    click(*d, 4);
    EXPECT_EQ(edit(*d, 1174)->text(), "SHIFT+");
}

TEST_F(SetupDlgTest, OkStoresHotkeysAndRegistersThem) {
    fp.ctx.settings.hotkey2 = "SHIFT+80";
    fp.ctx.settings.hotkey3 = "CTRL+77";
    const auto d = open();
    edit(*d, 1251)->setText("ctrl+s");
    edit(*d, 123)->setText(QString(60, 'x'));  // no modifier word: unchanged
    edit(*d, 1174)->setText("ALT+M" + QString(60, 'y'));
    d->accept();
    EXPECT_EQ(fp.ctx.settings.hotkey1, "CTRL+83");
    EXPECT_EQ(fp.ctx.settings.hotkey2, "SHIFT+80");
    EXPECT_EQ(fp.ctx.settings.hotkey3, "ALT+77");
    ASSERT_EQ(host.registered.size(), 3u);
    EXPECT_EQ(host.registered[0], (std::pair<int, HotkeyCombination>{0, {2, 83}}));
    EXPECT_EQ(host.registered[1], (std::pair<int, HotkeyCombination>{1, {4, 80}}));
    EXPECT_EQ(host.registered[2], (std::pair<int, HotkeyCombination>{2, {1, 77}}));
    store.read();
    EXPECT_EQ(fp.ctx.settings.hotkey1, "CTRL+83");  // written to the file
    EXPECT_EQ(host.closes, 1);
}

TEST_F(SetupDlgTest, AHotkeyHeldElsewhereIsReportedAndOkGoesOn) {
    host.hotkeys.heldElsewhere.insert({platform::kHotkeyAlt, 82});
    const auto d = open();
    edit(*d, 1251)->setText("ALT+R");
    edit(*d, 123)->setText("ALT+P");
    d->accept();
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Cannot register Start/stop key"});
    EXPECT_EQ(fp.ctx.settings.hotkey1, "ALT+82");
    EXPECT_EQ(host.closes, 1);
    const platform::FakeHotkeys::Registration pause{7, 1, platform::kHotkeyAlt, 80};
    EXPECT_NE(std::find(host.hotkeys.registered.begin(), host.hotkeys.registered.end(), pause),
              host.hotkeys.registered.end());
}

TEST_F(SetupDlgTest, DurationFormatAndTheDayQuestion) {
    fp.ctx.settings.maxFileTime = 60;
    const auto d = open();
    edit(*d, 1170)->setText("12");
    d->accept();
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Incorrect time format. Use hh:mm:ss or leave the box blank."});
    EXPECT_EQ(host.closes, 0);
    EXPECT_EQ(fp.ctx.settings.maxFileTime, 60);

    fp.messageBox.clear();
    edit(*d, 1170)->setText("25:00:00");
    fp.messageBox.queueAnswer(platform::IDNO);
    d->accept();
    ASSERT_EQ(fp.messageBox.texts().size(), 1u);
    EXPECT_EQ(fp.messageBox.shown()[0].text,
              "Recording time is greater than 24 hours or incorrect time format.\n\nContinue?");
    EXPECT_EQ(fp.messageBox.shown()[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(host.closes, 0);
    EXPECT_EQ(fp.ctx.settings.maxFileTime, 60);

    edit(*d, 1170)->setText("1:30:00");
    d->accept();
    EXPECT_EQ(fp.ctx.settings.maxFileTime, 5400);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(SetupDlgTest, ScaleBoundsAndTheRebuild) {
    const auto d = open();
    for (const char* bad : {"49", "251", "", "9999999999"}) {
        fp.messageBox.clear();
        edit(*d, 1172)->setText(bad);
        d->accept();
        EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Scale factor must between 100 and 250"}) << bad;
        EXPECT_EQ(host.closes, 0) << bad;
    }
    EXPECT_TRUE(host.rebuilds.empty());

    // The same scale only closes; a new one waits 250 ms, then rebuilds.
    edit(*d, 1172)->setText("100");
    d->accept();
    EXPECT_EQ(host.closes, 1);
    EXPECT_TRUE(host.rebuilds.empty());
    int closesDuringWait = -1;
    fp.pump.onPump = [&](int) { closesDuringWait = host.closes; };
    edit(*d, 1172)->setText("50");
    d->accept();
    EXPECT_EQ(fp.pump.durations().back(), 250);
    EXPECT_EQ(closesDuringWait, 2);  // the dialog was closed before the wait
    EXPECT_EQ(host.rebuilds, std::vector<int>{50});
    edit(*d, 1172)->setText("250");
    d->accept();
    EXPECT_EQ(host.rebuilds, (std::vector<int>{50, 250}));
}

TEST_F(SetupDlgTest, CancelStoresNothing) {
    const std::string before = fileText(store.settingsPath());
    const auto d = open();
    edit(*d, 1251)->setText("ALT+R");
    edit(*d, 1170)->setText("01:00:00");
    click(*d, 2);
    EXPECT_EQ(host.closes, 1);
    EXPECT_EQ(fileText(store.settingsPath()), before);
    EXPECT_TRUE(host.registered.empty());
}

TEST_F(SetupDlgTest, MenuTogglesAndTheirChecks) {
    Settings& s = fp.ctx.settings;
    s.showVideo = 0;
    s.onTop = 0;
    s.cursor = 0;
    const auto d = open();
    d->onCommand(SetupDlg::kShowClonedVideo);
    EXPECT_EQ(s.showVideo, 1);
    EXPECT_TRUE(d->menuEntry(SetupDlg::kShowClonedVideo)->isChecked());
    d->onCommand(SetupDlg::kSetOnTop);
    EXPECT_EQ(s.onTop, 1);
    EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    d->onCommand(SetupDlg::kCaptureCursor);
    EXPECT_EQ(s.cursor, 1);
    EXPECT_TRUE(d->menuEntry(SetupDlg::kCaptureCursor)->isChecked());
    store.read();
    EXPECT_EQ(s.showVideo, 1);
    EXPECT_EQ(s.onTop, 1);
    EXPECT_EQ(s.cursor, 1);
    // This desktop has no Windows 7 theme to switch.
    fp.ctx.environment.notWindows7 = true;
    const auto again = open();
    EXPECT_FALSE(again->menuEntry(SetupDlg::kDisableAero)->isEnabled());
}

TEST_F(SetupDlgTest, MarkingCommandsNeedTheRegionMarking) {
    host.canMark = false;
    const auto d = open();
    EXPECT_FALSE(d->menuEntry(SetupDlg::kMarkedRegion)->isEnabled());
    EXPECT_FALSE(d->menuEntry(SetupDlg::kResetMarkers)->isEnabled());
    d->onCommand(SetupDlg::kResetMarkers);
    EXPECT_EQ(host.markings, 0);

    host.canMark = true;
    fp.ctx.settings.marked = 0;
    fp.ctx.settings.fullScreen = 1;
    const auto marking = open();
    marking->onCommand(SetupDlg::kMarkedRegion);
    const Settings& s = fp.ctx.settings;
    EXPECT_EQ(s.marked, 1);
    EXPECT_EQ(s.fullScreen, 0);
    EXPECT_EQ(s.autoMark, 0);
    EXPECT_EQ((platform::Rect{s.xTop, s.yTop, s.xBottom, s.yBottom}), (platform::Rect{200, 200, 800, 600}));
    EXPECT_EQ(host.markings, 1);
    EXPECT_EQ(host.timer, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(host.closes, 1);
}

TEST_F(SetupDlgTest, RestoreDefaultsAsksAndEndsTheProgram) {
    const auto d = open();
    fp.messageBox.queueAnswer(platform::IDNO);
    d->onCommand(SetupDlg::kRestoreDefaults);
    EXPECT_EQ(host.exits, 0);
    host.marking = 1;  // not while marking
    d->onCommand(SetupDlg::kRestoreDefaults);
    EXPECT_EQ(fp.messageBox.texts().size(), 1u);
    host.marking = 0;
    d->onCommand(SetupDlg::kRestoreDefaults);
    EXPECT_EQ(fp.messageBox.texts().back(), "Talvora will close after this\n\nContinue?");
    EXPECT_EQ(host.exits, 1);
}

TEST_F(SetupDlgTest, OneMonitorIsNotDetectedAsSecond) {
    fp.ctx.switches.x1 = 1920;
    fp.ctx.switches.y1 = 1080;
    DetectMonitors(fp.ctx, store);
    MonitorDlg d(fp.ctx, store, 1920, 1080, true);
    EXPECT_EQ(d.windowTitle(), "Talvora - Select monitor");
    EXPECT_EQ(platform::controlById<QLabel>(&d, 1242)->text(), "(resolution: 1920x1080 scale: 100%)");
    EXPECT_EQ(platform::controlById<QLabel>(&d, 1243)->text(), "Not detected");
    EXPECT_FALSE(platform::controlById<QLabel>(&d, 1243)->isEnabled());
    EXPECT_FALSE(platform::controlById<QRadioButton>(&d, 1241)->isEnabled());
    EXPECT_TRUE(platform::controlById<QRadioButton>(&d, 1240)->isChecked());
    EXPECT_EQ(platform::controlById<QLabel>(&d, 1244)->text(), "Monitor #1 is the main display");
    EXPECT_FALSE(platform::controlById<QLabel>(&d, 1246)->isEnabled());
    EXPECT_EQ(platform::controlById<QLineEdit>(&d, 1170)->text(), "100");
}

TEST_F(SetupDlgTest, SecondMonitorChosenMovesTheRectangle) {
    fp.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}};
    fp.ctx.environment.notWindows7 = true;
    DetectMonitors(fp.ctx, store);
    fp.ctx.settings.monitor = 1;
    fp.ctx.settings.fullScreen = 0;
    fp.ctx.settings.scale = 0;
    const auto d = open();
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* monitors = qobject_cast<MonitorDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(monitors, nullptr);
        EXPECT_EQ(platform::controlById<QLabel>(monitors, 1243)->text(), "(resolution: 1280x1024 scale: 100%)");
        EXPECT_TRUE(platform::controlById<QLineEdit>(monitors, 1170)->isEnabled());
        platform::controlById<QRadioButton>(monitors, 1241)->click();
        platform::controlById<QLineEdit>(monitors, 1170)->setText("125");
        platform::controlById<QPushButton>(monitors, 1)->click();
        checked = true;
    });
    d->onCommand(SetupDlg::kSelectMonitor);
    ASSERT_TRUE(checked);
    const Settings& s = fp.ctx.settings;
    EXPECT_EQ(s.monitor, 2);
    EXPECT_EQ(s.scale, 125);
    EXPECT_EQ((platform::Rect{s.xTop, s.yTop, s.xBottom, s.yBottom}), (platform::Rect{2020, 100, 2520, 500}));
    EXPECT_GE(host.previewRestarts, 1);
    EXPECT_EQ(host.closes, 1);
    store.read();
    EXPECT_EQ(s.xTop, 2020);

    // Full screen takes the whole monitor and names it.
    fp.ctx.settings.fullScreen = 1;
    MoveCaptureRectToMonitor(fp.ctx);
    EXPECT_EQ((platform::Rect{s.xTop, s.yTop, s.xBottom, s.yBottom}), (platform::Rect{1920, 0, 3200, 1024}));
    EXPECT_EQ(s.fullScreen, 2);
}

TEST_F(SetupDlgTest, MonitorDialogWantsAChoice) {
    fp.ctx.settings.monitor = 0;
    fp.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}};
    DetectMonitors(fp.ctx, store);
    fp.ctx.settings.monitor = 0;
    MonitorDlg d(fp.ctx, store, 1920, 1080, true);
    d.accept();
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Please select a monitor"});
    EXPECT_EQ(d.result(), 0);
}

}  // namespace
}  // namespace talvora

namespace talvora {
namespace {

TEST_F(SetupDlgTest, OutOfRangeSettingsOpenAndAreRefusedOrMended) {
    Settings& s = fp.ctx.settings;
    s.size = 99999;
    s.maxFileTime = -100;
    s.hotkey1 = "garbage";
    s.hotkey2 = "CTRL+99999";
    s.monitor = 7;
    s.scale = -40;
    const auto d = open();
    EXPECT_EQ(edit(*d, 1170)->text(), "");
    EXPECT_EQ(edit(*d, 1251)->text(), "");
    d->accept();  // the scale is refused, the rest is stored
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Scale factor must between 100 and 250"});
    EXPECT_EQ(s.maxFileTime, 0);
    EXPECT_EQ(s.hotkey1, "GARBAGE");  // unchanged, as read back upper-cased
    EXPECT_EQ(host.closes, 0);
    ASSERT_EQ(store.read(), 1);  // the file is whole
    EXPECT_EQ(s.size, 99999);

    MonitorDlg monitors(fp.ctx, store, 1920, 1080, true);
    EXPECT_FALSE(platform::controlById<QRadioButton>(&monitors, 1240)->isChecked());
    EXPECT_FALSE(platform::controlById<QRadioButton>(&monitors, 1241)->isChecked());
    monitors.accept();
    EXPECT_EQ(fp.messageBox.texts().back(), "Please select a monitor");
}

}  // namespace
}  // namespace talvora
