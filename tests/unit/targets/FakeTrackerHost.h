#pragma once

#include <string>
#include <vector>

#include "targets/TrackerHost.h"

namespace talvora::test {

// Records what the tracker asks of the recorder window.
class FakeTrackerHost : public TrackerHost {
public:
    void restartPreview() override { ++restarts; }
    bool previewReady() override { return ready; }
    void stopTimer() override { timer.push_back("stop"); }
    void startTimer(int interval_ms) override { timer.push_back("start " + std::to_string(interval_ms)); }
    void showStatus(const std::string& text) override { statuses.push_back(text); }
    bool regionFrameShown() override { return frameShown; }
    bool converting() override { return convertingFile; }

    std::string status() const { return statuses.empty() ? std::string() : statuses.back(); }

    int restarts = 0;
    bool ready = false;
    bool frameShown = false;
    bool convertingFile = false;
    std::vector<std::string> timer;
    std::vector<std::string> statuses;
};

}  // namespace talvora::test
