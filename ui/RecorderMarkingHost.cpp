#include "ui/RecorderMarkingHost.h"

#include <QApplication>

#include "ui/WinDlg.h"

namespace talvora {

void RecorderMarkingHost::showStatus(const std::string& text) {
    if (WinDlg* w = recorder_()) w->showStatus(text);
}

void RecorderMarkingHost::setTipText(const std::string& text) {
    if (WinDlg* w = recorder_()) w->setTipText(text);
}

void RecorderMarkingHost::restartPreview() {
    if (WinDlg* w = recorder_()) w->restartPreview();
}

void RecorderMarkingHost::showRecorderRestored() {
    if (WinDlg* w = recorder_()) w->showRecorderRestored();
}

void RecorderMarkingHost::stopTimer() {
    if (WinDlg* w = recorder_()) w->stopTimer();
}

void RecorderMarkingHost::startTimer(int interval_ms) {
    if (WinDlg* w = recorder_()) w->startTimer(interval_ms);
}

void RecorderMarkingHost::closeSettingsDialog() {
    if (WinDlg* w = recorder_()) w->closeSettingsDialog();
}

platform::WindowId RecorderMarkingHost::recorderWindow() {
    WinDlg* w = recorder_();
    return w != nullptr ? w->recorderWindow() : 0;
}

void RecorderMarkingHost::stopWatcher() {
    if (WinDlg* w = recorder_()) w->tracker().watcher().stopAll();
}

void RecorderMarkingHost::startWatcher() {
    if (WinDlg* w = recorder_()) w->tracker().watcher().start();
}

void RecorderMarkingHost::beep() { QApplication::beep(); }

}  // namespace talvora
