#pragma once

#include <string>

namespace platform {

// The system's version as the program sees it.
struct OsVersion {
    int major = 0;
    int minor = 0;
    bool hasGetProductInfo = false;
    bool ok = false;  // false when the query failed
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual OsVersion osVersion() = 0;
    // Name and release of the real system, for the version text.
    virtual std::string systemName() = 0;
    // Member of the administrators group; false when any step fails.
    virtual bool isAdministrator() = 0;
    virtual int processorCount() = 0;
};

}  // namespace platform
