#pragma once

#include <functional>

#include "targets/MarkingHost.h"

namespace talvora {

class WinDlg;

// The recorder window as the region marking sees it. The recorder window is
// made after the marking, so it is looked up at each call; while there is
// none the calls do nothing. UI thread.
class RecorderMarkingHost : public MarkingHost {
public:
    explicit RecorderMarkingHost(std::function<WinDlg*()> recorder) : recorder_(std::move(recorder)) {}

    void showStatus(const std::string& text) override;
    void setTipText(const std::string& text) override;
    void restartPreview() override;
    void showRecorderRestored() override;
    void stopTimer() override;
    void startTimer(int interval_ms) override;
    void closeSettingsDialog() override;
    platform::WindowId recorderWindow() override;
    void stopWatcher() override;
    void startWatcher() override;
    void beep() override;

private:
    std::function<WinDlg*()> recorder_;
};

}  // namespace talvora
