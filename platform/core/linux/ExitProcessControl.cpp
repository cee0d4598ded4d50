#include "platform/core/linux/ExitProcessControl.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void ExitProcessControl::exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace platform
