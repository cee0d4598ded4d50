#pragma once

#include <memory>

#include "platform/media/Filter.h"

namespace talvora {

// The filters a recording graph holds, in the order the teardown removes
// them. The video renderer stays until the graph is released.
struct RecordingFilters {
    std::shared_ptr<platform::Filter> asfWriter;
    std::shared_ptr<platform::Filter> mpegSink;
    std::shared_ptr<platform::Filter> screen;
    std::shared_ptr<platform::Filter> colorConverter;
    std::shared_ptr<platform::Filter> tee;
    std::shared_ptr<platform::Filter> wavDest;
    std::shared_ptr<platform::Filter> audio;
    std::shared_ptr<platform::Filter> videoEncoder;
    std::shared_ptr<platform::Filter> audioEncoder;
    std::shared_ptr<platform::Filter> multiplexer;
    std::shared_ptr<platform::Filter> imageScaler;
    std::shared_ptr<platform::Filter> renderer;
};

}  // namespace talvora
