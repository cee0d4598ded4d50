#pragma once

#include "platform/shell/SystemInfo.h"

namespace platform {

// The system reports itself as version 10.0 with the modern product query, so
// the program takes the paths it takes on a current desktop; the version text
// names the real system through systemName(). Administrator = effective uid 0.
class LinuxSystemInfo : public SystemInfo {
public:
    OsVersion osVersion() override;
    std::string systemName() override;
    bool isAdministrator() override;
    int processorCount() override;
};

}  // namespace platform
