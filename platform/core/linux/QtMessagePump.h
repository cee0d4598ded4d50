#pragma once

#include "platform/core/MessagePump.h"

namespace platform {

// Runs a local Qt event loop for the given time on the calling (UI) thread.
class QtMessagePump : public MessagePump {
public:
    void pump(int duration_ms) override;
};

}  // namespace platform
