#pragma once

#include "platform/core/HResult.h"

namespace platform {

// The system reports file errors as Win32 codes wrapped in an HRESULT
// (0x8007xxxx); this maps an errno value to the nearest such code.
HRESULT hresultFromErrno(int error);

}  // namespace platform
