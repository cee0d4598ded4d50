#include "ui/StopWatchdog.h"

#include <chrono>
#include <string>

#include "app/AppContext.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"

namespace talvora {

StopWatchdog::StopWatchdog(AppContext& ctx) : ctx_(ctx) {}

StopWatchdog::~StopWatchdog() {
    for (auto& w : watches_) {
        {
            const std::lock_guard lock(w->mutex);
            w->cancelled = true;
        }
        w->changed.notify_all();
        if (w->thread.joinable()) w->thread.join();
    }
}

void StopWatchdog::begin() {
    joinEnded();
    auto w = std::make_unique<Watch>();
    Watch& watch = *w;
    watch.thread = std::thread([this, &watch, seconds = seconds_] { this->watch(watch, seconds); });
    watches_.push_back(std::move(w));
}

void StopWatchdog::done() {
    if (watches_.empty()) return;
    Watch& w = *watches_.back();
    {
        const std::lock_guard lock(w.mutex);
        w.stopDone = true;
    }
    w.changed.notify_all();
}

int StopWatchdog::running() const {
    int n = 0;
    for (const auto& w : watches_) n += w->ended ? 0 : 1;
    return n;
}

void StopWatchdog::joinEnded() {
    std::erase_if(watches_, [](std::unique_ptr<Watch>& w) {
        if (!w->ended) return false;
        w->thread.join();
        return true;
    });
}

void StopWatchdog::watch(Watch& w, int seconds) {
    bool expired = false;
    {
        std::unique_lock lock(w.mutex);
        expired = !w.changed.wait_for(lock, std::chrono::seconds(seconds), [&w] { return w.stopDone || w.cancelled; });
    }
    if (expired) expire();
    w.ended = true;
}

void StopWatchdog::expire() {
    // The stop hangs on the UI thread, so the box may never get there: it is
    // logged, offered for half a minute, and the process ends.
    const std::string text = "Recording error. Recorded file is saved.\n\nClick OK to exit.";
    ctx_.platform.log.append(text);
    auto answered = std::make_shared<std::atomic<bool>>(false);
    platform::MessageBox& box = ctx_.platform.messageBox;
    std::thread([&box, text, answered] {
        box.show(text);
        *answered = true;
    }).detach();
    for (int waited = 0; waited < 300 && !*answered; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ctx_.platform.process.exitProcess(0);
}

}  // namespace talvora
