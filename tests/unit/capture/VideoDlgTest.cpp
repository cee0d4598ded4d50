#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <fstream>
#include <sstream>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "capture/VideoDlg.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/DialogControls.h"

namespace talvora {
namespace {

class VideoDlgTest : public ::testing::Test {
protected:
    VideoDlgTest() : store(fp.ctx), folder(fp, store) { fp.ctx.environment.notWindows7 = true; }

    static QString text(const VideoDlg& d, int id) { return platform::controlById<QComboBox>(&d, id)->currentText(); }
    static void setText(const VideoDlg& d, int id, const char* t) {
        platform::controlById<QComboBox>(&d, id)->setEditText(t);
    }
    static QCheckBox* box(const VideoDlg& d, int id) { return platform::controlById<QCheckBox>(&d, id); }
    std::string fileText() const {
        std::ifstream in(store.settingsPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder folder;
};

TEST_F(VideoDlgTest, OpensWithTheListedValues) {
    Settings& s = fp.ctx.settings;
    s.protocol = 1;
    s.videoBitrate = 3000;
    s.frameRate = 25.0f;
    VideoDlg d(fp.ctx, store);
    EXPECT_EQ(d.windowTitle(), "Talvora - Video Settings");
    EXPECT_EQ(text(d, 1054), "3000");
    EXPECT_EQ(text(d, 1055), "25");
    EXPECT_FALSE(box(d, 1033)->isChecked());
    EXPECT_TRUE(box(d, 1249)->isChecked());
    EXPECT_EQ(platform::controlById<QComboBox>(&d, 1054)->count(), 6);
    EXPECT_EQ(platform::controlById<QComboBox>(&d, 1055)->itemText(4), "30");
    // Background recording stays greyed; the Basic theme only on Windows 7.
    EXPECT_FALSE(box(d, 1169)->isEnabled());
    EXPECT_FALSE(box(d, 1165)->isEnabled());
}

TEST_F(VideoDlgTest, UnlistedBitrateOpensEmptyAndOkTakesTheFormatsDefault) {
    for (const int protocol : {0, 1}) {
        Settings& s = fp.ctx.settings;
        s.protocol = protocol;
        s.videoBitrate = 2000;
        VideoDlg d(fp.ctx, store);
        EXPECT_EQ(text(d, 1054), "");
        setText(d, 1055, "abc");
        d.accept();
        EXPECT_EQ(s.videoBitrate, protocol == 0 ? 6000 : 3000);
        EXPECT_EQ(s.frameRate, 15.0f);
        store.read();
        EXPECT_EQ(s.videoBitrate, protocol == 0 ? 6000 : 3000);  // written
        EXPECT_EQ(s.protocol, protocol);
    }
}

TEST_F(VideoDlgTest, FormatClicksLoadEachFormatsDefaults) {
    Settings& s = fp.ctx.settings;
    s.protocol = 0;
    s.videoBitrate = 8000;
    s.frameRate = 30.0f;
    VideoDlg d(fp.ctx, store);
    box(d, 1249)->click();
    EXPECT_TRUE(box(d, 1249)->isChecked());
    EXPECT_FALSE(box(d, 1033)->isChecked());
    EXPECT_EQ(text(d, 1054), "1200");
    EXPECT_EQ(text(d, 1055), "15");
    EXPECT_EQ(s.protocol, 1);
    box(d, 1249)->click();  // again: back to MPEG
    EXPECT_TRUE(box(d, 1033)->isChecked());
    EXPECT_FALSE(box(d, 1249)->isChecked());
    EXPECT_EQ(text(d, 1054), "6000");
    EXPECT_EQ(s.protocol, 0);
    box(d, 1033)->click();  // the MPEG box switches too
    EXPECT_TRUE(box(d, 1249)->isChecked());
    EXPECT_EQ(text(d, 1054), "1200");
}

TEST_F(VideoDlgTest, CancelAfterASwitchKeepsTheProtocolInMemoryOnly) {
    fp.ctx.settings.protocol = 0;
    store.write();
    const std::string before = fileText();
    VideoDlg d(fp.ctx, store);
    box(d, 1249)->click();
    platform::controlById<QPushButton>(&d, 2)->click();
    EXPECT_EQ(fp.ctx.settings.protocol, 1);
    EXPECT_EQ(fileText(), before);
}

TEST_F(VideoDlgTest, BadNumbersAndTheBasicThemeQuestion) {
    fp.ctx.settings.protocol = 0;
    VideoDlg d(fp.ctx, store);
    setText(d, 1054, "-500");
    setText(d, 1055, "-3");
    d.accept();
    EXPECT_EQ(fp.ctx.settings.videoBitrate, 6000);
    EXPECT_EQ(fp.ctx.settings.frameRate, 15.0f);

    fp.ctx.environment.notWindows7 = false;
    fp.ctx.settings.basic = 0;
    fp.ctx.settings.hideWindow = 1;
    VideoDlg windows7(fp.ctx, store);
    EXPECT_TRUE(box(windows7, 1165)->isEnabled());
    EXPECT_EQ(fp.ctx.settings.hideWindow, 0);
    fp.messageBox.queueAnswer(platform::IDNO);
    box(windows7, 1165)->click();
    EXPECT_EQ(fp.ctx.settings.basic, 0);
    EXPECT_EQ(fp.messageBox.texts().back(), "Talvora will close after this.\n\nContinue?");
    try {
        box(windows7, 1165)->click();
        ADD_FAILURE() << "the program goes on";
    } catch (const platform::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    store.read();
    EXPECT_EQ(fp.ctx.settings.basic, 1);
}

}  // namespace
}  // namespace talvora

namespace talvora {
namespace {

TEST_F(VideoDlgTest, OutOfRangeSettingsOpenEmpty) {
    Settings& s = fp.ctx.settings;
    s.videoBitrate = -1;
    s.frameRate = 1e30f;
    s.protocol = 7;
    VideoDlg d(fp.ctx, store);
    EXPECT_EQ(text(d, 1054), "");
    EXPECT_EQ(text(d, 1055), "");
    EXPECT_TRUE(box(d, 1249)->isChecked());  // any protocol but 0 is WMV
    d.accept();
    EXPECT_EQ(s.protocol, 1);
    EXPECT_EQ(s.videoBitrate, 3000);
    EXPECT_EQ(s.frameRate, 15.0f);
}

}  // namespace
}  // namespace talvora
