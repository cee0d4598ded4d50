#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace talvora::test {

// The X server and other processes answer asynchronously: keep Qt's event
// loop turning until `done` holds or the time is up.
inline bool waitFor(const std::function<bool()>& done, int timeout_ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

// Waits until `value` has read the same for `still_ms` (a window manager
// places and decorates a new window in several steps); its last reading.
template <typename Read>
auto settled(Read value, int still_ms = 300, int timeout_ms = 5000) {
    QElapsedTimer timer, still;
    timer.start();
    still.start();
    auto last = value();
    while (still.elapsed() < still_ms && timer.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
        auto now = value();
        if (!(now == last)) {
            last = now;
            still.restart();
        }
    }
    return last;
}

}  // namespace talvora::test
