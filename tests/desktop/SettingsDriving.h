#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include "DesktopWait.h"
#include "platform/desktop/DialogControls.h"
#include "platform/desktop/linux/X11Windows.h"

namespace talvora::test {

// The visible top-level window of that exact title, 0 when none.
inline platform::WindowId visibleWindow(const char* title) {
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--name", QString("^%1$").arg(title)});
    search.waitForFinished(5000);
    const QStringList ids = QString(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return ids.isEmpty() ? 0 : ids.last().toULong();
}

// Clicks at a point of a dialog's client area given in dialog units,
// `barHeight` pixels below its top (the menu bar).
inline void clickDialog(platform::WindowId dialog, int xDlu, int yDlu, int barHeight = 0) {
    QProcess::execute("xdotool", {"mousemove", "--window", QString::number(dialog),
                                  QString::number(platform::dluX(xDlu)),
                                  QString::number(barHeight + platform::dluY(yDlu)), "click", "1"});
    QTest::qWait(300);
}

// Opens the settings dialog from the recorder window; 0 when it does not show.
inline platform::WindowId openSettings(platform::X11Windows& windows, platform::WindowId recorderWindow) {
    // "&SETTINGS" is the first button below the title strip.
    const platform::Rect r = windows.rect(recorderWindow);
    QProcess::execute("xdotool", {"mousemove", "--window", QString::number(recorderWindow),
                                  QString::number(r.width() / 8), QString::number(r.height() * 30 / 100), "click",
                                  "1"});
    platform::WindowId dialog = 0;
    waitFor([&] { return (dialog = visibleWindow("Settings")) != 0; }, 5000);
    QTest::qWait(500);
    return dialog;
}

// In the open settings dialog: ALT and the key `key` (an xdotool key name)
// for the start/stop hotkey, then OK. The menu bar is about 25 pixels. True
// when the dialog closes.
inline bool setStartStopKeyToAlt(platform::WindowId settings, const QString& key) {
    constexpr int bar = 25;
    clickDialog(settings, 140, 88, bar);
    clickDialog(settings, 34, 143, bar);
    clickDialog(settings, 140, 88, bar);
    QProcess::execute("xdotool", {"key", "End", key});
    clickDialog(settings, 91, 293, bar);
    return waitFor([&] { return visibleWindow("Settings") == 0; }, 5000);
}

}  // namespace talvora::test
