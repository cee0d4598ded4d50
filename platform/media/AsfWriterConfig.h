#pragma once

#include "platform/core/HResult.h"
#include "platform/media/WmProfile.h"

namespace platform {

constexpr const char* kAsfWriterClassId = "{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}";

// The ASF writer filter is configured with a profile; its input pins follow
// the profile's streams. UI thread, graph stopped.
class AsfWriterConfig {
public:
    virtual ~AsfWriterConfig() = default;
    // E_POINTER without a profile; an error when the writer cannot encode it.
    virtual HRESULT configureFilterUsingProfile(const WmProfile* profile) = 0;
};

}  // namespace platform
