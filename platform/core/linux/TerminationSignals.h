#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace platform {

// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C, a closed
// terminal) become one call of `onSignal` on the UI thread, so the program
// can finish a recording before it ends. The handler is set up once: a second
// signal of the same kind ends the process at once, as if none was caught,
// for a program whose UI thread no longer answers. One instance per process.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void deliver();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform
