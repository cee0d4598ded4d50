#pragma once

#include "platform/desktop/WindowMessages.h"

namespace talvora {

// The window messages registered by name, so that every process of the
// system that registers the same name gets the same number. Registered once
// at start; read-only afterwards.
struct RegisteredMessages {
    platform::MessageId screenCapture = 0;   // "screen capture message"
    platform::MessageId filesToConvert = 0;  // "files to convert"
    platform::MessageId replicast = 0;       // "Replicast message"
    platform::MessageId push = 0;            // "Push message"
    platform::MessageId sound = 0;           // "Sound message"
    platform::MessageId recordStop = 0;      // "WM_RECORD_STOP_STR"
    platform::MessageId recordPause = 0;     // "WM_RECORD_PAUSE_STR"
    platform::MessageId mute = 0;            // "WM_MUTE_STR"
    platform::MessageId schedule = 0;        // "VexaCap schedule"
    platform::MessageId systemCommand = 0;   // the system's window commands

    static RegisteredMessages registerAll(platform::WindowMessages& messages);
};

}  // namespace talvora
