#include "platform/shell/linux/LinuxSystemInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace platform {

OsVersion LinuxSystemInfo::osVersion() { return OsVersion{10, 0, true, true}; }

std::string LinuxSystemInfo::systemName() {
    std::string name;
    std::ifstream release("/etc/os-release");
    std::string line;
    while (std::getline(release, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            name = line.substr(12);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
        }
    }
    utsname uts{};
    if (::uname(&uts) == 0) name += (name.empty() ? "" : ", ") + std::string(uts.sysname) + " " + uts.release;
    return name;
}

bool LinuxSystemInfo::isAdministrator() { return ::geteuid() == 0; }

int LinuxSystemInfo::processorCount() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace platform
