#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <functional>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "library/RecordingPlayback.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "ui/MaxiClientArea.h"
#include "ui/MessageDlg.h"
#include "ui/RecorderMenus.h"
#include "ui/RecorderPlacement.h"
#include "ui/SplashDlg.h"
#include "ui/WinDlg.h"

namespace talvora {
namespace {

TEST(RecorderPlacementTest, InterfaceScale) {
    EXPECT_DOUBLE_EQ(RecorderInterfaceScale(0, 1.0), 1.2);
    EXPECT_DOUBLE_EQ(RecorderInterfaceScale(150, 1.0), 1.5);
    EXPECT_DOUBLE_EQ(RecorderInterfaceScale(200, 1.0), 2.0);
}

TEST(RecorderPlacementTest, StoredPositionOrBottomRight) {
    // Both numbers set: the stored corner with the scaled size.
    EXPECT_EQ(PlaceRecorderWindow("300,200", 2.0, 207, 146, 1920, 1080, 40), (platform::Rect{300, 200, 714, 492}));
    // A zero in either place counts as no position.
    for (const char* position : {"0,500", "500,0", "", "garbage"}) {
        const platform::Rect r = PlaceRecorderWindow(position, 1.0, 207, 146, 1920, 1080, 40);
        EXPECT_EQ(r, (platform::Rect{1920 - 207 - 150, 1080 - 146 - 40 - 100, 1920 - 150, 1080 - 40 - 100}))
            << position;
    }
    // Each product is truncated on its own; the offsets use the unscaled size.
    const platform::Rect r = PlaceRecorderWindow("", 1.25, 207, 146, 1920, 1080, 41);
    EXPECT_EQ(r.left, 1920 - 207 - 187);
    EXPECT_EQ(r.top, 1080 - 146 - 51 - 125);
    EXPECT_EQ(r.width(), 258);
}

class DialogTest : public ::testing::Test {
protected:
    DialogTest() : store(fp.ctx) { store.prepareDataFolder(); }
    // A recorder window at scale 1 on a 1920 x 1080 screen.
    std::unique_ptr<WinDlg> makeRecorder(WinDlg::Layout layout, RecorderWindows windows = {}) {
        fp.ctx.environment.desktopRect = {0, 0, 1920, 1080};
        fp.ctx.environment.taskbarHeight = 40;
        fp.ctx.settings.size = 100;
        return std::make_unique<WinDlg>(fp.ctx, store, RecorderServices{registry, pages, hotkeys, audio, windows},
                                        layout);
    }
    test::FakePlatform fp;
    SettingsStore store;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    platform::FakeHotkeys hotkeys;
    platform::FakeAudioSystem audio;
};

TEST_F(DialogTest, TipCloseWithTickStoresBitTwo) {
    fp.ctx.settings.message = 1;
    MessageDlg dlg(fp.ctx, store, 2);
    EXPECT_EQ(dlg.caption(), " Talvora - Smart Microphone");
    EXPECT_TRUE(dlg.text().startsWith("\nThis is the Smart Microphine\n\nClick to turn on or off"));
    EXPECT_EQ(dlg.dontShowAgain()->text(), " Don't show this again");
    dlg.dontShowAgain()->setChecked(true);
    dlg.closeButton()->click();
    EXPECT_EQ(fp.ctx.settings.message, 3);
    fp.ctx.settings.message = 0;
    store.read();
    EXPECT_EQ(fp.ctx.settings.message, 3);  // written to the file
}

TEST_F(DialogTest, TipOkOrUntickedCloseStoresNothing) {
    {
        MessageDlg dlg(fp.ctx, store, 2);
        dlg.dontShowAgain()->setChecked(true);
        dlg.okButton()->click();
    }
    {
        MessageDlg dlg(fp.ctx, store, 2);
        dlg.closeButton()->click();
    }
    {
        MessageDlg dlg(fp.ctx, store, 3);  // not a single bit
        dlg.dontShowAgain()->setChecked(true);
        dlg.closeButton()->click();
    }
    EXPECT_EQ(fp.ctx.settings.message, 0);
}

TEST_F(DialogTest, EscapeActsAsClose) {
    MessageDlg dlg(fp.ctx, store, 2);
    dlg.dontShowAgain()->setChecked(true);
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(fp.ctx.settings.message, 2);
}

TEST(SplashDlgTest, RunsItsWorkAtTheFirstTickAndCloses) {
    int runs = 0;
    SplashDlg splash([&] { ++runs; });
    EXPECT_EQ(splash.size(), QSize(425, 159));
    EXPECT_FALSE(QPixmap(":/pictures/splash").isNull());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(splash.exec(), QDialog::Accepted);
    EXPECT_EQ(runs, 1);
    EXPECT_GE(clock.elapsed(), 950);
}

TEST_F(DialogTest, RecorderWindowLayoutsAndExitPath) {
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini);
    WinDlg& mini = *recorder;
    EXPECT_EQ(mini.statusText(), "Welcome...");
    EXPECT_EQ(mini.windowTitle(), "Talvora");
    EXPECT_EQ(mini.size(), QSize(207, 146));
    EXPECT_EQ(mini.pos(), QPoint(1920 - 207 - 150, 1080 - 146 - 40 - 100));
    EXPECT_EQ(WinDlg::unscaledSize(WinDlg::Layout::Maxi), QSize(508, 237));

    // Closing during a recording asks; No keeps the program running.
    fp.ctx.recording = true;
    fp.messageBox.queueAnswer(platform::IDNO);
    mini.closeProgram();
    EXPECT_EQ(fp.messageBox.texts().back(), "Recording is active. Would you like to close program now?");
    EXPECT_FALSE(fp.ctx.closing.load());
    EXPECT_THROW(mini.closeProgram(), platform::ProcessExit);
    EXPECT_TRUE(fp.ctx.closing.load());
    mini.closeProgram();  // a second request while closing does nothing
}

struct RecordedWindows : SettingsWindows, RecordingsBrowserWindow, RegionMarking {
    void openSettings() override { opened.push_back("settings"); }
    void closeSettings() override { opened.push_back("close settings"); }
    void openAudioSetup() override { opened.push_back("audio"); }
    void runAudioSetup() override {
        opened.push_back("audio setup");
        if (onAudioSetup) onAudioSetup();
    }
    void openRecordingsBrowser() override { opened.push_back("browser"); }
    void markRegion() override { opened.push_back("region"); }
    void markEntireScreen() override { opened.push_back("screen"); }
    int markingState() override { return marking; }
    void closeMarkingWindow() override {}
    bool regionFrameShown() override { return false; }
    void resetMarkingState() override {}
    RecorderWindows all() { return {this, this, this}; }
    std::vector<std::string> opened;
    int marking = 0;
    std::function<void()> onAudioSetup;
};

TEST_F(DialogTest, DualAudioWithoutASecondSourceAsksForOneAtTheFirstTick) {
    for (const bool chosen : {false, true}) {
        RecordedWindows windows;
        // The user picks a microphone, or cancels.
        windows.onAudioSetup = [&] {
            if (chosen) fp.ctx.settings.audioSource1 = "Microphone";
        };
        fp.ctx.settings.dualAudio = 1;
        fp.ctx.settings.audioSource1.clear();
        store.write();  // the first tick reads the file again
        const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini, windows.all());
        recorder->tick();
        recorder->tick();
        // Asked again before the timer goes on when nothing was chosen; never on later ticks.
        EXPECT_EQ(windows.opened, std::vector<std::string>(chosen ? 1 : 2, "audio setup")) << chosen;
    }
}

TEST_F(DialogTest, CommandsOfOtherWindowsAreRoutedOrGreyed) {
    {
        const std::unique_ptr<WinDlg> alone = makeRecorder(WinDlg::Layout::Mini);
        for (QPushButton* button : alone->findChildren<QPushButton*>()) {
            if (button->text() == "&SETTINGS") {
                EXPECT_FALSE(button->isEnabled());
            }
        }
        alone->onCommand(command::kSettings);  // nothing to open, nothing happens
    }
    RecordedWindows windows;
    {
        // Only the browser given: the other groups stay greyed.
        const std::unique_ptr<WinDlg> partial = makeRecorder(WinDlg::Layout::Mini, RecorderWindows{nullptr, &windows});
        partial->onCommand(command::kSettings);
        partial->onCommand(command::kMarkRegion);
        partial->onCommand(command::kOpenStorageFolder);
        EXPECT_EQ(windows.opened, (std::vector<std::string>{"browser"}));
        windows.opened.clear();
    }
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini, windows.all());
    recorder->onCommand(command::kSettings);
    recorder->onCommand(command::kCaptureOptions);
    recorder->onCommand(command::kPlayRecordedFile);  // no recording yet: the browser
    windows.marking = 1;
    recorder->onCommand(command::kOpenStorageFolder);  // not while marking
    recorder->onCommand(command::kSettings);
    windows.marking = 0;
    fp.ctx.recording = true;
    recorder->onCommand(command::kAudioSetup);  // not while recording
    fp.ctx.recording = false;
    recorder->onCommand(command::kResetMarkers);
    EXPECT_EQ(windows.opened,
              (std::vector<std::string>{"settings", "settings", "close settings", "browser", "region"}));
    const Settings& s = fp.ctx.settings;
    EXPECT_EQ((platform::Rect{s.xTop, s.yTop, s.xBottom, s.yBottom}), (platform::Rect{200, 200, 800, 600}));
    EXPECT_EQ(s.fullScreen, 0);
}

TEST_F(DialogTest, PlayingARecordingFallsBackFromPlayerToPlayerToTheFolder) {
    fp.ctx.environment.notWindows7 = true;
    fp.ctx.settings.recordingFolder = "/rec";
    fp.ctx.environment.vlcLocation = "/usr/bin/vlc";
    PlayRecording(fp.ctx, "/rec/a.wmv");
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, "/usr/bin/vlc");
    EXPECT_EQ(fp.launcher.calls[0].parameters, " \"/rec/a.wmv\"");

    fp.launcher.calls.clear();
    fp.launcher.missing = {"/usr/bin/vlc", "wmplayer"};
    PlayRecording(fp.ctx, "/rec/a.wmv");
    ASSERT_EQ(fp.launcher.calls.size(), 3u);
    EXPECT_EQ(fp.launcher.calls[1].file, "wmplayer");
    EXPECT_EQ(fp.launcher.calls[2].file, "/rec");
    EXPECT_EQ(fp.launcher.calls[2].parameters, " \"/rec/a.wmv\"");

    fp.launcher.calls.clear();
    fp.ctx.environment.notWindows7 = false;  // the file opens with its program
    PlayRecording(fp.ctx, "/rec/a.wmv");
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, "/rec/a.wmv");
}

TEST_F(DialogTest, TheMediaPlayerIsTheOneFoundAtTheFirstTick) {
    fp.launcher.executables["vlc"] = "/usr/bin/vlc";
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini);
    recorder->tick();
    fp.launcher.executables.clear();  // removed while the program runs
    fp.ctx.environment.notWindows7 = true;
    fp.launcher.calls.clear();
    PlayRecording(fp.ctx, "/rec/a.wmv");
    ASSERT_FALSE(fp.launcher.calls.empty());
    EXPECT_EQ(fp.launcher.calls[0].file, "/usr/bin/vlc");
}

TEST(MaxiTitleBarTest, AreasScaleWithTheInterface) {
    EXPECT_EQ(maxiTitleAreaAt({490, 4}, 1.0), MaxiTitleArea::Close);
    EXPECT_EQ(maxiTitleAreaAt({505, 20}, 1.0), MaxiTitleArea::Close);
    EXPECT_EQ(maxiTitleAreaAt({505, 21}, 1.0), MaxiTitleArea::None);
    EXPECT_EQ(maxiTitleAreaAt({486, 10}, 1.0), MaxiTitleArea::None);  // between the buttons
    EXPECT_EQ(maxiTitleAreaAt({40, 10}, 1.0), MaxiTitleArea::Drag);
    EXPECT_EQ(maxiTitleAreaAt({39, 10}, 1.0), MaxiTitleArea::None);
    EXPECT_EQ(maxiTitleAreaAt({490, 10}, 1.5), MaxiTitleArea::Drag);
    EXPECT_EQ(maxiTitleAreaAt({710, 10}, 1.5), MaxiTitleArea::Minimize);
    EXPECT_EQ(maxiTitleAreaAt({750, 29}, 1.5), MaxiTitleArea::Close);
}

TEST_F(DialogTest, MaxiLayoutMenuTitleBarAndTipText) {
    fp.ctx.settings.showVideo = 1;
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Maxi);
    WinDlg& maxi = *recorder;
    MaxiClientArea* area = maxi.maxiClientArea();
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->size(), QSize(508, 237));  // the template's client size, below the menu bar
    EXPECT_EQ(maxi.height(), 237 + area->y());

    const auto checked = [&](int id) {
        for (QAction* action : maxi.findChildren<QAction*>())
            if (commandOf(action) == id) return action->isChecked();
        return false;
    };
    EXPECT_TRUE(checked(command::kShowClonedVideo));
    EXPECT_FALSE(checked(command::kFullScreen));
    maxi.onCommand(command::kShowClonedVideo);
    EXPECT_EQ(fp.ctx.settings.showVideo, 0);
    EXPECT_FALSE(checked(command::kShowClonedVideo));

    // The tip replaces the title once set, even when it is empty.
    EXPECT_FALSE(area->tipSet());
    maxi.setTipText(std::string(10050, 'x'));
    EXPECT_EQ(area->tipText().size(), 9999);
    maxi.setTipText("");
    EXPECT_TRUE(area->tipSet());

    // A title button acts only when pressed and released on it.
    maxi.show();
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(497, 12));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(470, 12));
    EXPECT_TRUE(maxi.isVisible());
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(470, 12));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(475, 12));
    EXPECT_FALSE(maxi.isVisible());

    // Restore defaults asks first; No keeps everything.
    fp.messageBox.queueAnswer(platform::IDNO);
    maxi.onCommand(command::kRestoreDefaults);
    EXPECT_EQ(fp.messageBox.texts().back(), "Talvora will close after this\n\nContinue?");
    EXPECT_FALSE(fp.ctx.closing.load());
}

TEST_F(DialogTest, TheStatusLineShowsWhoeverWroteLast) {
    fp.ctx.settings.autoMark = 1;
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini);
    // What a stop leaves for the next status update...
    fp.ctx.statusText = "Stopping. Please wait...";
    // ...is replaced by the tracker's text on the next idle tick and stays so.
    for (int tick = 0; tick < 3; ++tick) {
        recorder->tick();
        EXPECT_EQ(recorder->statusText(), "Google Meeting / Zoom windows not detected") << tick;
    }
    // A note stays to be read.
    recorder->showNote("Hotkeys work only while an X11 window has the focus");
    recorder->tick();
    EXPECT_EQ(recorder->statusText(), "Hotkeys work only while an X11 window has the focus");
}

TEST_F(DialogTest, TheDefaultSizeShowsTheStatusLineWholeAndMakesItsPicturesQuietly) {
    const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini);
    // ffmpeg scales the two pictures without a word on the program's terminal.
    std::vector<std::string> pictures;
    for (const auto& call : fp.launcher.calls)
        if (call.file == ".\\ffmpeg.exe") pictures.push_back(call.parameters.substr(0, 30));
    EXPECT_EQ(pictures, std::vector<std::string>(2, " -hide_banner -loglevel error "));

    recorder->show();
    auto* status = recorder->findChild<QTextEdit*>();
    ASSERT_NE(status, nullptr);
    for (const char* text : {"Google Meeting / Zoom windows not detected", "Welcome...",
                             "Recording: 1234.56 MB  01:02:03/10:00:00"}) {
        recorder->showStatus(text);
        status->document()->size();  // lays the text out
        EXPECT_EQ(status->document()->firstBlock().layout()->lineCount(), 1) << text;
        EXPECT_GE(status->font().pixelSize(), 8) << text;
    }
}

TEST_F(DialogTest, NoSoundServerIsSaidAloneAtTheFirstTick) {
    for (const bool chosen : {false, true}) {
        // Both sides recorded: the formats are probed and the second source
        // unmuted, or asked for, each of which would fail with its own words.
        RecordedWindows windows;
        fp.messageBox.clear();
        audio.setAvailable(false);
        Settings& s = fp.ctx.settings;
        s.vistaAudio = s.dualAudio = 1;
        s.audioSource = "VozEza5";
        s.audioSource1 = chosen ? "USB Microphone" : "";
        store.write();  // the first tick reads the file again
        const std::unique_ptr<WinDlg> recorder = makeRecorder(WinDlg::Layout::Mini, windows.all());
        recorder->tick();
        recorder->tick();
        EXPECT_EQ(fp.messageBox.texts(),
                  std::vector<std::string>{"No sound server answers, so Talvora cannot record sound. Start the "
                                           "desktop's sound server (PulseAudio or PipeWire), then start Talvora "
                                           "again."})
            << chosen;
        EXPECT_EQ(windows.opened, std::vector<std::string>{}) << chosen;
    }
}

}  // namespace
}  // namespace talvora
