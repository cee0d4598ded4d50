#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/fake/FakeHotkeys.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "ui/WinDlg.h"

namespace talvora {
namespace {

class RecorderRebuildTest : public ::testing::Test {
protected:
    RecorderRebuildTest() : store(fp.ctx), folder(fp, store) {}

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder folder;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    platform::FakeHotkeys hotkeys;
    platform::FakeAudioSystem audio;
};

TEST_F(RecorderRebuildTest, NewScaleRecreatesTheRecorderWindowOnce) {
    MainWindow frame(fp.ctx, store, RecorderServices{registry, pages, hotkeys, audio});
    frame.firstTick();
    ASSERT_NE(frame.recorderWindow(), nullptr);
    const QSize before = frame.recorderWindow()->size();
    ASSERT_EQ(fp.ctx.settings.size, 100);
    frame.recorderWindow()->hotkeys().registerAll(frame.recorderWindow()->recorderWindow());
    ASSERT_EQ(hotkeys.registered.size(), 3u);

    // The two seconds of messages let a second request in: it is ignored.
    std::vector<WinDlg*> duringWait;
    fp.pump.onPump = [&](int) {
        duringWait.push_back(frame.recorderWindow());
        EXPECT_TRUE(hotkeys.registered.empty());  // the old window's hotkeys are gone
        frame.rebuildRecorderWindow(200);
    };
    const std::size_t pumpsBefore = fp.pump.durations().size();
    frame.rebuildRecorderWindow(150);
    fp.pump.onPump = nullptr;

    // Two seconds without a recorder window, then the new one's own waits.
    const std::vector<int> waits(fp.pump.durations().begin() + static_cast<long>(pumpsBefore),
                                 fp.pump.durations().end());
    ASSERT_GE(waits.size(), 2u);
    EXPECT_EQ(waits[0], 1000);
    EXPECT_EQ(waits[1], 1000);
    EXPECT_EQ(duringWait, std::vector<WinDlg*>(waits.size(), nullptr));
    ASSERT_NE(frame.recorderWindow(), nullptr);
    EXPECT_EQ(fp.ctx.settings.size, 150);
    EXPECT_EQ(frame.recorderWindow()->size().width(), before.width() * 3 / 2);
    store.read();
    EXPECT_EQ(fp.ctx.settings.size, 150);  // written

    frame.rebuildRecorderWindow(400);  // at most 250
    EXPECT_EQ(fp.ctx.settings.size, 250);
}

}  // namespace
}  // namespace talvora
