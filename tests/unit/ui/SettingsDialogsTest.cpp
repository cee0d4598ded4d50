#include <gtest/gtest.h>

#include <QLineEdit>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/DialogControls.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/shell/fake/FakeRichText.h"
#include "ui/SettingsDialogs.h"
#include "ui/SetupDlg.h"
#include "ui/WinDlg.h"

namespace talvora {
namespace {

class SettingsDialogsTest : public ::testing::Test {
protected:
    SettingsDialogsTest() : store(fp.ctx), folder(fp, store), dialogs(fp.ctx, store, audio, richText) {
        fp.ctx.environment.desktopRect = {0, 0, 1920, 1080};
        recorder = std::make_unique<WinDlg>(fp.ctx, store, RecorderServices{registry, pages, hotkeys, audio, {&dialogs}},
                                            WinDlg::Layout::Mini);
        dialogs.attach({[this] { return recorder.get(); }, [this](int percent) {
                            rebuilds.push_back(percent);
                            dialogOpenAtRebuild = dialogs.settingsDialog() != nullptr;
                        }});
    }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder folder;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    platform::FakeHotkeys hotkeys;
    platform::FakeAudioSystem audio;
    platform::FakeRichText richText;
    SettingsDialogs dialogs;
    std::unique_ptr<WinDlg> recorder;
    std::vector<int> rebuilds;
    bool dialogOpenAtRebuild = false;
};

TEST_F(SettingsDialogsTest, OneDialogAndNoneLeftForTheRebuild) {
    recorder->onCommand(311);  // "&SETTINGS"
    SetupDlg* first = dialogs.settingsDialog();
    ASSERT_NE(first, nullptr);
    recorder->onCommand(311);  // focuses the open one
    EXPECT_EQ(dialogs.settingsDialog(), first);

    // The user opens the settings again while OK waits before the rebuild.
    fp.pump.onPump = [&](int) { recorder->onCommand(311); };
    platform::controlById<QLineEdit>(first, 1172)->setText("150");
    first->accept();
    fp.pump.onPump = nullptr;
    EXPECT_EQ(rebuilds, std::vector<int>{150});
    EXPECT_FALSE(dialogOpenAtRebuild);
    EXPECT_EQ(dialogs.settingsDialog(), nullptr);
}

}  // namespace
}  // namespace talvora
