#include "platform/core/linux/ExitProcessControl.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

void ExitProcessControl::exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

void ExitProcessControl::raisePriority() { ::setpriority(PRIO_PROCESS, 0, -5); }

}  // namespace platform
