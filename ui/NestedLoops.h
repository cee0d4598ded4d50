#pragma once

class QObject;

namespace talvora {

// How deep the UI thread is in event loops: 1 in the application's own loop,
// one more in each modal dialog, message box or wait that pumps messages.
int eventLoopLevel();

// Deletes `object` once the UI thread is back at `level` or above it. A
// handler of the object may be waiting in a nested loop (a child dialog's
// exec(), a message box) when something else closes it: Qt's deferred delete
// would run inside that loop and pull the object from under the handler.
// UI thread.
void deleteOutsideNestedLoops(QObject* object, int level);

}  // namespace talvora
