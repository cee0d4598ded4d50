#pragma once

#include <string>
#include <vector>

#include "platform/media/PropertyPages.h"

namespace platform {

// Records which filters' pages were shown; a filter has pages when it has
// properties.
class FakePropertyPages : public PropertyPages {
public:
    bool hasPages(Filter& filter) override { return !filter.properties().empty(); }
    int show(Filter& filter) override {
        shown.push_back(filter.name());
        return 1;
    }
    std::vector<std::string> shown;
};

}  // namespace platform
