// The settings dialog of the running recorder, driven with the mouse and
// keyboard as a user would: a new start/stop hotkey, then a new scale.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "DesktopWait.h"
#include "FreshInstallation.h"
#include "SettingsDriving.h"
#include "platform/desktop/linux/X11Windows.h"

namespace {

using talvora::test::clickDialog;
using talvora::test::openSettings;
using talvora::test::visibleWindow;
using talvora::test::waitFor;

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void xdotool(const QStringList& args) { QProcess::execute("xdotool", args); }

void answerMessageBoxes() {
    QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Talvora Message$'); do "
                                   "xdotool windowactivate --sync $w key --window $w Return; done; xdotool keyup Return"});
}

class SettingsDialogDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
        ASSERT_TRUE(home.isValid());
    }
    void TearDown() override {
        recorder.kill();
        recorder.waitForFinished(3000);
        waitFor([&] { return windows.find("Silence") == 0; }, 5000);
    }

    platform::WindowId waitForRecorder() {
        platform::WindowId id = 0;
        waitFor(
            [&] {
                answerMessageBoxes();
                id = visibleWindow("Talvora");
                return id != 0;
            },
            20000);
        return id;
    }

    QTemporaryDir home;
    QProcess recorder;
    platform::X11Windows windows;
};

TEST_F(SettingsDialogDesktopTest, NewHotkeyRecordsAndNewScaleRebuildsTheRecorder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_CONFIG_HOME");
    recorder.setProcessEnvironment(env);
    recorder.start(QString(TALVORA_PROGRAM_DIR) + "/talvora", {});
    const platform::WindowId first = waitForRecorder();
    ASSERT_NE(first, 0u);
    // The one-time initialisation has registered the hotkeys once the microphone is confirmed.
    talvora::test::confirmMicrophoneDuringFirstTicks(3000);
    const platform::Rect before = windows.rect(first);

    platform::WindowId settings = openSettings(windows, first);
    ASSERT_NE(settings, 0u);
    ASSERT_TRUE(talvora::test::setStartStopKeyToAlt(settings, "r")) << "OK closes the dialog";
    const QString settingsFile = home.filePath(".config/Corvane Telmark 2/settings_rp_goog.ini");
    EXPECT_NE(readFile(settingsFile).find("Hotkey1: ALT+82\r\n"), std::string::npos);

    xdotool({"key", "alt+r"});
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(first); }, 5000)) << "the recording starts";
    QTest::qWait(4000);
    xdotool({"key", "alt+r"});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(first); }, 15000)) << "the recording stops";
    QTest::qWait(2000);
    EXPECT_EQ(QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv", "*.mpg"}).size(), 1);

    // Scale 150: the recorder window is destroyed and comes back larger.
    settings = openSettings(windows, first);
    ASSERT_NE(settings, 0u);
    constexpr int bar = 25;  // the menu bar's height
    clickDialog(settings, 129, 210, bar);
    xdotool({"key", "ctrl+a", "1", "5", "0"});
    clickDialog(settings, 91, 293, bar);
    ASSERT_TRUE(waitFor([&] { return windows.find("Talvora") != 0 && visibleWindow("Talvora") != first &&
                                     visibleWindow("Talvora") != 0; },
                        10000));
    const platform::Rect after = windows.rect(visibleWindow("Talvora"));
    EXPECT_NEAR(after.width(), before.width() * 3 / 2, 4);
    EXPECT_NEAR(after.height(), before.height() * 3 / 2, 4);
    EXPECT_NE(readFile(settingsFile).find("Size: 150\r\n"), std::string::npos);
}

}  // namespace
