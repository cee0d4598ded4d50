// The recorder's shell on fakes: the application object's start-up, the
// hidden main frame's first tick, the registered messages and the exit path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakePlatform.h"
#include "app/MainWindow.h"
#include "app/MonitorDetection.h"
#include "app/RegisteredMessages.h"
#include "app/Replicast.h"
#include "app/SettingsStore.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "ui/WinDlg.h"

namespace talvora {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;

// The fake program folder with the shipped template is the current folder
// during each test, as the application object makes it.
class AppShellTest : public ::testing::Test {
protected:
    AppShellTest() : previous_(fs::current_path()) {
        fs::copy_file(std::string(TALVORA_SOURCE_DIR) + "/resources/settings_rp_goog_init.ini",
                      fs::path(fp.folders.program) / "settings_rp_goog_init.ini");
        fs::current_path(fp.folders.program);
    }
    ~AppShellTest() override { fs::current_path(previous_); }

    RecorderServices services() { return RecorderServices{registry, pages, hotkeys, audio}; }

    // The main frame as the application object creates it, once the settings
    // can be read.
    std::unique_ptr<MainWindow> makeMainWindow() {
        store.prepareDataFolder();
        store.read();
        return std::make_unique<MainWindow>(fp.ctx, store, services());
    }

    std::vector<platform::FakeLauncher::Call> sceneBackStarts() const {
        std::vector<platform::FakeLauncher::Call> starts;
        std::copy_if(fp.launcher.calls.begin(), fp.launcher.calls.end(), std::back_inserter(starts),
                     [](const auto& call) { return call.file.find("sceneback") != std::string::npos; });
        return starts;
    }

    void twoMonitors() {
        fp.display.width = 1920;
        fp.display.height = 1080;
        fp.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                  {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}};
    }

    test::FakePlatform fp;
    SettingsStore store{fp.ctx};
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    platform::FakeHotkeys hotkeys;
    platform::FakeAudioSystem audio;

private:
    fs::path previous_;
};

TEST(RegisteredMessagesTest, EveryMessageIsRegisteredByItsName) {
    platform::FakeWindowMessages messages;
    const RegisteredMessages m = RegisteredMessages::registerAll(messages);
    const std::vector<std::pair<platform::MessageId, const char*>> expected = {
        {m.screenCapture, "screen capture message"},
        {m.filesToConvert, "files to convert"},
        {m.replicast, "Replicast message"},
        {m.push, "Push message"},
        {m.sound, "Sound message"},
        {m.recordStop, "WM_RECORD_STOP_STR"},
        {m.recordPause, "WM_RECORD_PAUSE_STR"},
        {m.mute, "WM_MUTE_STR"},
        {m.schedule, "VexaCap schedule"},
    };
    std::vector<platform::MessageId> ids;
    for (const auto& [id, name] : expected) {
        EXPECT_NE(messages.idOf(name), 0u) << name;
        EXPECT_EQ(id, messages.idOf(name)) << name;
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end()) << "each name has its own number";
}

TEST_F(AppShellTest, SecondInstanceIsRefusedBeforeAnythingElse) {
    fp.windows.add("Talvora");
    Replicast replicast(fp.ctx, store, services());
    EXPECT_FALSE(replicast.initInstance({}));
    EXPECT_THAT(fp.messageBox.texts(), ElementsAre("Talvora is already running"));
    EXPECT_EQ(replicast.mainWindow(), nullptr);
    EXPECT_TRUE(store.settingsPath().empty()) << "the settings are not touched";
    EXPECT_FALSE(fp.process.priorityRaised);
}

// One monitor, the launcher's widths: the start-up steps in order, then the
// main frame's first tick with its restore program and recorder window.
TEST_F(AppShellTest, StartUpAndFirstTickOnOneMonitor) {
    fs::current_path(fp.root);  // the application object moves to the program folder
    fp.display.setSingle(1536, 864);
    Replicast replicast(fp.ctx, store, services());
    ASSERT_TRUE(replicast.initInstance({"/x1", "1920", "-w1", "1920"}));
    EXPECT_EQ(fs::current_path(), fs::path(fp.folders.program));
    EXPECT_TRUE(fp.process.priorityRaised);
    EXPECT_EQ(fp.ctx.settings.setup, 1) << "the template was applied on the first run";
    MainWindow* frame = replicast.mainWindow();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Talvora");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(frame->recorderWindow(), nullptr) << "the recorder window waits for the first tick";

    // The second of messages comes before the restore program and the window.
    std::vector<std::string> order;
    fp.pump.onPump = [&](int ms) {
        if (order.empty())
            order.push_back(std::to_string(ms) + (sceneBackStarts().empty() ? "" : " sceneback") +
                            (frame->recorderWindow() ? " recorder" : ""));
    };
    frame->firstTick();
    EXPECT_EQ(order, std::vector<std::string>{"1000"});
    EXPECT_EQ(fp.ctx.scales.mainScale, 80);
    EXPECT_EQ(fp.ctx.scales.secondScale, 100.0);
    EXPECT_TRUE(fp.messageBox.texts().empty());
    const auto starts = sceneBackStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].verb, "open");
    EXPECT_EQ(starts[0].file, ".\\sceneback.exe");
    EXPECT_EQ(starts[0].parameters, " -w Talvora");
    EXPECT_EQ(starts[0].show, platform::ShowState::Normal);
    ASSERT_NE(frame->recorderWindow(), nullptr);
    EXPECT_EQ(frame->recorderWindow()->layout(), WinDlg::Layout::Mini);  // the template's MiniClone 1

    frame->firstTick();  // once only
    EXPECT_EQ(sceneBackStarts().size(), 1u);
}

TEST_F(AppShellTest, OneMonitorWithoutSwitchesTakesTheDesktopWidth) {
    fp.display.setSingle(1280, 1024);
    const auto frame = makeMainWindow();
    frame->firstTick();
    EXPECT_EQ(fp.ctx.switches.x1, 1280);
    EXPECT_EQ(fp.ctx.switches.w1, 1280);
    EXPECT_EQ(fp.ctx.switches.y1, 1024);
    EXPECT_EQ(fp.ctx.scales.mainScale, 100);
    EXPECT_TRUE(fp.messageBox.texts().empty());
}

TEST_F(AppShellTest, TwoMonitorsWithoutWidthsAskForTheLauncher) {
    twoMonitors();
    fp.windows.add("SceneBack");  // running already: not started again
    const auto frame = makeMainWindow();
    frame->firstTick();
    EXPECT_THAT(fp.messageBox.texts(),
                ElementsAre("Talvora could not determine your displays resolution. Make sure the file qx.exe was used "
                            "to start the program."));
    EXPECT_TRUE(sceneBackStarts().empty());
    EXPECT_NE(frame->recorderWindow(), nullptr);
}

TEST_F(AppShellTest, TwoMonitorsWithoutTheSecondWidth) {
    twoMonitors();
    fp.ctx.switches.w1 = 1280;
    fp.launcher.missing = {".\\sceneback.exe"};
    const auto frame = makeMainWindow();
    frame->firstTick();
    EXPECT_THAT(fp.messageBox.texts(),
                ElementsAre("Talvora could not determine your second display resolution. Make sure the file QX.exe "
                            "was used to start the program."));
    // The maker's restore program exists for Windows only: its absence is traced, never shown.
    EXPECT_THAT(fp.log.lines(), Contains("Cannot open or find file sceneback"));
    EXPECT_EQ(fp.ctx.scales.mainScale, 150);
    EXPECT_NE(frame->recorderWindow(), nullptr) << "a missing restore program does not stop the start";
}

TEST_F(AppShellTest, TwoMonitorsWithBothWidthsAreScaled) {
    twoMonitors();
    fp.ctx.switches.w1 = 1920;
    fp.ctx.switches.w2 = 2560;
    const auto frame = makeMainWindow();
    frame->firstTick();
    EXPECT_TRUE(fp.messageBox.texts().empty());
    EXPECT_EQ(fp.ctx.scales.mainScale, 100);
    EXPECT_DOUBLE_EQ(fp.ctx.scales.secondScale, 50.0);
}

TEST_F(AppShellTest, MonitorDetectionSavesTheSettings) {
    store.prepareDataFolder();
    store.read();
    fp.ctx.settings.monitor = 2;  // one monitor: it becomes 1, and the file says so
    ASSERT_EQ(store.write(), 1);
    DetectMonitors(fp.ctx, store);
    EXPECT_EQ(fp.ctx.settings.monitor, 1);
    fp.ctx.settings.monitor = 2;
    store.read();
    EXPECT_EQ(fp.ctx.settings.monitor, 1) << "read back from the file";
}

// The exit path releases what the first tick took: the hotkeys and the
// window watcher. Then the process ends with code 0.
TEST_F(AppShellTest, ExitPathReleasesHotkeysAndStopsTheWatcher) {
    store.prepareDataFolder();
    store.read();
    fp.ctx.environment.desktopRect = {0, 0, 1920, 1080};
    WinDlg recorder(fp.ctx, store, services(), WinDlg::Layout::Mini);
    recorder.tick();
    ASSERT_EQ(hotkeys.registered.size(), 3u);
    ASSERT_FALSE(recorder.tracker().watcher().stopRequested());

    try {
        recorder.closeProgram();
        FAIL() << "the exit path ends the process";
    } catch (const platform::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    EXPECT_TRUE(hotkeys.registered.empty());
    // The worker clears and sets its flags again as it ends: look a while.
    bool stopped = false;
    for (int i = 0; i < 100 && !stopped; ++i) {
        stopped = recorder.tracker().watcher().stopRequested();
        if (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(fp.ctx.closing.load());
}

}  // namespace
}  // namespace talvora
