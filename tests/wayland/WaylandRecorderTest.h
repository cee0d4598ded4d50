#pragma once

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <string>

#include "tests/desktop/FreshInstallation.h"
#include "tests/desktop/RecorderProcessTest.h"

namespace talvora::test {

// The recorder program in a Wayland session, driven as a user drives it: its
// hotkey reaches it through XWayland, its pictures come through the
// desktop's portal.
class WaylandRecorderTest : public RecorderProcessTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) GTEST_SKIP() << "needs scripts/virtual-desktop --wayland";
        RecorderProcessTest::SetUp();
    }

    // The recorder window shown and its start-up boxes answered: the one
    // titled "Talvora" that is not the 1 x 1 frame.
    bool waitForRecorderWindow(const QString& logName = "recorder.log") {
        return waitFor([&] { return recorderWindowShown() && logged("Screen resolution", logName); }, 20000);
    }
    bool recorderWindowShown() {
        answerMessageBoxes();
        for (platform::WindowId w : windows.topLevel())
            if (windows.title(w) == "Talvora" && windows.rect(w).width() > 100 && windows.isVisible(w)) return true;
        return false;
    }

    QString recordingsFolder() const { return home.filePath("Videos/Talvora Recordings"); }
    QStringList recordings() const { return QDir(recordingsFolder()).entryList({"*.wmv"}, QDir::Files, QDir::Name); }
    std::string log(const QString& name = "recorder.log") const { return readFile(home.filePath(name)); }
    bool logged(const std::string& text, const QString& name = "recorder.log") const {
        return log(name).find(text) != std::string::npos;
    }
};

}  // namespace talvora::test
