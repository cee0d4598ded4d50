#pragma once

#include <string>

namespace platform {

// Names the calling thread (the first 15 bytes count), so that tools that
// list a process's threads (top -H, /proc/<pid>/task, perf) tell the stages
// of a recording apart.
void nameThisThread(const std::string& name);

}  // namespace platform
