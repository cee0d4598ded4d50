#pragma once

#include "platform/shell/SystemInfo.h"

namespace platform {

class FakeSystemInfo : public SystemInfo {
public:
    OsVersion osVersion() override { return version; }
    std::string systemName() override { return name; }
    bool isAdministrator() override { return administrator; }
    int processorCount() override { return processors; }

    OsVersion version{10, 0, true, true};
    std::string name;
    bool administrator = false;
    int processors = 2;
};

}  // namespace platform
