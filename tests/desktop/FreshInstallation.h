#pragma once

#include <QProcess>
#include <QString>

#include "DesktopWait.h"

namespace talvora::test {

// The start/stop hotkey of the shipped settings.
inline const QString kStartStopKey = "ctrl+F9";

// A fresh installation records both sides of a call: the recorder's first
// tick asks for the microphone in Audio Setup, which the user confirms with
// OK (Return). Answered for `ms` while the first ticks run.
inline void confirmMicrophoneDuringFirstTicks(int ms) {
    waitFor(
        [] {
            QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Audio Setup$'); do "
                                           "xdotool windowactivate --sync $w key --window $w Return; done; "
                                           "xdotool keyup Return"});
            return false;
        },
        ms);
}

}  // namespace talvora::test
