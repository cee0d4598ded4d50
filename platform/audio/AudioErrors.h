#pragma once

#include "platform/core/HResult.h"

// Result codes of the audio area, with the values the system prints.
namespace platform {

constexpr HRESULT AUDCLNT_E_DEVICE_INVALIDATED = static_cast<HRESULT>(0x88890004u);
constexpr HRESULT AUDCLNT_E_UNSUPPORTED_FORMAT = static_cast<HRESULT>(0x88890008u);
constexpr HRESULT AUDCLNT_E_SERVICE_NOT_RUNNING = static_cast<HRESULT>(0x88890010u);
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND): no device of that name.
constexpr HRESULT E_NOTFOUND = static_cast<HRESULT>(0x80070490u);

}  // namespace platform
