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
};

}  // namespace platform
