#pragma once

#include <functional>
#include <vector>

#include "platform/core/MessagePump.h"

namespace platform {

// Records the requested durations; an optional hook stands for the messages
// that would be dispatched meanwhile.
class FakeMessagePump : public MessagePump {
public:
    void pump(int duration_ms) override {
        durations_.push_back(duration_ms);
        if (onPump) onPump(duration_ms);
    }
    const std::vector<int>& durations() const { return durations_; }
    std::function<void(int)> onPump;

private:
    std::vector<int> durations_;
};

}  // namespace platform
