#pragma once

#include <string>

#include "platform/core/HResult.h"

namespace platform {

// A filter that writes a file names it through this interface.
class FileSink {
public:
    virtual ~FileSink() = default;
    virtual HRESULT setFileName(const std::string& path) = 0;
    virtual std::string fileName() const = 0;
    // The system error (errno value, ENOSPC for a full disk) that stopped the
    // file from growing during this run, 0 while it is written. Any thread.
    virtual int writeError() const { return 0; }
};

}  // namespace platform
