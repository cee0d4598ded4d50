#pragma once

#include "platform/core/ProcessControl.h"

namespace platform {

// Ends the process at once with the given code. Everything the system keeps
// was written when it changed, so nothing needs unwinding.
class ExitProcessControl : public ProcessControl {
public:
    [[noreturn]] void exitProcess(int code) override;
    // Nice -5 where permitted; an ordinary user keeps the normal priority.
    void raisePriority() override;
};

}  // namespace platform
