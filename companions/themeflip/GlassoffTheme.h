#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "companions/themeflip/ThemeCmdLineInfo.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"

namespace platform {
class Composition;
class MessageBox;
class ProcessControl;
}  // namespace platform

namespace themeflip {

// The companion's application: reads its command line, then, driven by the
// hidden frame's timer 1, switches compositing off for as long as the caller
// window lives (mode 0) or tests that compositing is on and tells the caller
// (mode 1). Everything runs on the UI thread.
class GlassoffTheme {
public:
    struct Platform {
        platform::Windows& windows;
        platform::WindowMessages& messages;
        platform::MessageBox& box;
        platform::Composition& composition;
        platform::ProcessControl& process;
    };
    // The frame's timer 1: the application stops and restarts it.
    struct Timer {
        std::function<void()> start;
        std::function<void()> stop;
    };

    static constexpr int kTimerPeriod_ms = 1000;
    // The frame's title, by which a running companion is found.
    static constexpr const char* kWindowTitle = "Glassoff";

    GlassoffTheme(Platform platform, Timer timer);

    // Parses the tokens after the program name and checks the caller title.
    // False when the companion must end at once (no or an unaccepted title).
    // Otherwise gives back compositing that a killed companion left off,
    // unless another companion runs. Before the frame exists.
    bool initInstance(const std::vector<std::string>& tokens);

    // One tick of timer 1. Ends the process when the work is done or the
    // caller window is gone.
    void onTimer();

    // Ends the program, giving compositing back first (close request, signals).
    void end(int code);

    const std::string& callerTitle() const { return callerTitle_; }
    int mode() const { return mode_; }
    int retries() const { return retries_; }

private:
    void notify(std::intptr_t lParam);
    void testComposition();

    Platform p_;
    Timer timer_;
    ThemeCmdLineInfo cmdLine_;
    std::string callerTitle_;
    platform::WindowId caller_ = 0;
    int mode_ = 0;
    bool acted_ = false;
    int retries_ = 0;
    platform::MessageId screenCaptureMessage_ = 0;
};

}  // namespace themeflip
