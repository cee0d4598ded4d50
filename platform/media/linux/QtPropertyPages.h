#pragma once

#include "platform/media/PropertyPages.h"

namespace platform {

// A modal Qt dialog at the screen's top-left, captioned with the filter's
// name, listing the filter's properties.
class QtPropertyPages : public PropertyPages {
public:
    bool hasPages(Filter& filter) override;
    int show(Filter& filter) override;
};

}  // namespace platform
