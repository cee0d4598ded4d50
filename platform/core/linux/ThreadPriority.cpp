#include "platform/core/linux/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

std::string favourThisThread(int niceValue) {
    // On Linux a nice value belongs to a thread, named by its id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    if (setpriority(PRIO_PROCESS, thread, niceValue) == 0) return "runs at nice " + std::to_string(niceValue);
    return "runs at normal priority (raising it is not allowed)";
}

}  // namespace platform
