#pragma once

#include "platform/core/ProcessControl.h"

namespace platform {

// Thrown instead of ending the process, so tests can see the exit.
struct ProcessExit {
    int code;
};

class FakeProcessControl : public ProcessControl {
public:
    [[noreturn]] void exitProcess(int code) override { throw ProcessExit{code}; }
    void raisePriority() override { priorityRaised = true; }

    bool priorityRaised = false;
};

}  // namespace platform
