#pragma once

#include <cstdint>

namespace platform {

constexpr const char* kQualityPropertiesInterfaceId = "{1BD0ECB0-F8E2-11CE-AAC6-0020AF0B99A3}";

// What a video renderer tells of its playback: the frames it drew and the
// ones it let go because a newer one had come. UI thread.
class QualityProperties {
public:
    virtual ~QualityProperties() = default;
    virtual std::int64_t framesDrawn() const = 0;
    virtual std::int64_t framesDroppedInRenderer() const = 0;
};

}  // namespace platform
