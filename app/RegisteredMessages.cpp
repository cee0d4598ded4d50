#include "app/RegisteredMessages.h"

namespace talvora {

RegisteredMessages RegisteredMessages::registerAll(platform::WindowMessages& messages) {
    RegisteredMessages m;
    m.screenCapture = messages.registerMessage("screen capture message");
    m.filesToConvert = messages.registerMessage("files to convert");
    m.replicast = messages.registerMessage("Replicast message");
    m.push = messages.registerMessage("Push message");
    m.sound = messages.registerMessage("Sound message");
    m.recordStop = messages.registerMessage("WM_RECORD_STOP_STR");
    m.recordPause = messages.registerMessage("WM_RECORD_PAUSE_STR");
    m.mute = messages.registerMessage("WM_MUTE_STR");
    m.schedule = messages.registerMessage("VexaCap schedule");
    m.systemCommand = messages.registerMessage(platform::kSystemCommandMessageName);
    return m;
}

}  // namespace talvora
