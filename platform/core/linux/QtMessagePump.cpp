#include "platform/core/linux/QtMessagePump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace platform {

void QtMessagePump::pump(int duration_ms) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QCoreApplication::closingDown()) return;
    QEventLoop loop;
    QTimer::singleShot(duration_ms, &loop, &QEventLoop::quit);
    // A quitting application ends the wait early.
    QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace platform
