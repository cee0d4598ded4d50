#include "ui/NestedLoops.h"

#include <QObject>
#include <QThread>
#include <QTimer>

namespace talvora {

namespace {

// Often enough to free a closed dialog soon after its loops end, seldom
// enough to cost nothing while they run.
constexpr int kRecheck_ms = 50;

}  // namespace

int eventLoopLevel() { return QThread::currentThread()->loopLevel(); }

void deleteOutsideNestedLoops(QObject* object, int level) {
    if (object == nullptr) return;
    // A deferred delete asked for at this level runs only when control is
    // back in this level's loop, never in a loop entered later.
    if (eventLoopLevel() <= level) {
        object->deleteLater();
        return;
    }
    QTimer::singleShot(kRecheck_ms, object, [object, level] { deleteOutsideNestedLoops(object, level); });
}

}  // namespace talvora
