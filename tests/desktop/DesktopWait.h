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

}  // namespace talvora::test
