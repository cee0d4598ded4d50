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
#include "platform/desktop/DialogControls.h"
#include "platform/desktop/linux/X11Windows.h"

namespace {

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

// The visible top-level window of that exact title, 0 when none.
platform::WindowId visibleWindow(const char* title) {
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--name", QString("^%1$").arg(title)});
    search.waitForFinished(5000);
    const QStringList ids = QString(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return ids.isEmpty() ? 0 : ids.last().toULong();
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

    // Clicks at a point of a dialog's client area given in dialog units,
    // `barHeight` pixels below its top (the menu bar).
    void clickDialog(platform::WindowId dialog, int xDlu, int yDlu, int barHeight = 0) {
        xdotool({"mousemove", "--window", QString::number(dialog), QString::number(platform::dluX(xDlu)),
                 QString::number(barHeight + platform::dluY(yDlu)), "click", "1"});
        QTest::qWait(300);
    }

    platform::WindowId openSettings(platform::WindowId recorderWindow) {
        // "&SETTINGS" is the first button below the title strip.
        const platform::Rect r = windows.rect(recorderWindow);
        xdotool({"mousemove", "--window", QString::number(recorderWindow), QString::number(r.width() / 8),
                 QString::number(r.height() * 30 / 100), "click", "1"});
        platform::WindowId dialog = 0;
        waitFor([&] { return (dialog = visibleWindow("Settings")) != 0; }, 5000);
        QTest::qWait(500);
        return dialog;
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

    // The start/stop edit, "ALT", the key, OK. The menu bar is about 25 pixels.
    platform::WindowId settings = openSettings(first);
    ASSERT_NE(settings, 0u);
    constexpr int bar = 25;
    clickDialog(settings, 140, 88, bar);
    clickDialog(settings, 34, 143, bar);
    clickDialog(settings, 140, 88, bar);
    xdotool({"key", "End", "r"});
    clickDialog(settings, 91, 293, bar);
    ASSERT_TRUE(waitFor([&] { return visibleWindow("Settings") == 0; }, 5000)) << "OK closes the dialog";
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
    settings = openSettings(first);
    ASSERT_NE(settings, 0u);
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
