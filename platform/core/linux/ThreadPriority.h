#pragma once

#include <string>

namespace platform {

// Asks the scheduler to run the calling thread ahead of ordinary work (a
// negative nice value), so that a busy machine delays it least. Only a user
// allowed to (CAP_SYS_NICE, or an RLIMIT_NICE raised in limits.conf) gets
// it; for others the thread runs as before. Returns what happened, for the
// log.
std::string favourThisThread(int niceValue);

}  // namespace platform
