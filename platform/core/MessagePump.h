#pragma once

namespace platform {

// "Keep processing window messages for N ms": a local event loop on the UI
// thread that returns after the time or when the application is quitting.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void pump(int duration_ms) = 0;
};

}  // namespace platform
