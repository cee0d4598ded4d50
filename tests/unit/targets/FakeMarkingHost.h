#pragma once

#include <string>
#include <vector>

#include "targets/MarkingHost.h"

namespace talvora::test {

// Records what the region marking asks of the recorder window.
class FakeMarkingHost : public MarkingHost {
public:
    void showStatus(const std::string& text) override {
        status = text;
        statuses.push_back(text);
    }
    void setTipText(const std::string& text) override { tips.push_back(text); }
    void restartPreview() override { ++previewRestarts; }
    void showRecorderRestored() override { ++restores; }
    void stopTimer() override { timer.push_back("stop"); }
    void startTimer(int interval_ms) override { timer.push_back("start " + std::to_string(interval_ms)); }
    void closeSettingsDialog() override { ++settingsCloses; }
    platform::WindowId recorderWindow() override { return recorder; }
    void stopWatcher() override { watcherRunning = false; }
    void startWatcher() override { watcherRunning = true; }
    void beep() override { ++beeps; }

    std::string status;
    std::vector<std::string> statuses;
    std::vector<std::string> tips;
    std::vector<std::string> timer;
    int previewRestarts = 0;
    int restores = 0;
    int settingsCloses = 0;
    int beeps = 0;
    bool watcherRunning = true;
    platform::WindowId recorder = 0;
};

}  // namespace talvora::test
