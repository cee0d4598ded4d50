#pragma once

#include "platform/media/Filter.h"

namespace platform {

// Shows a filter's property page: a modal dialog captioned with the filter's
// name listing its properties. UI thread.
class PropertyPages {
public:
    virtual ~PropertyPages() = default;
    // Whether the filter has anything to show.
    virtual bool hasPages(Filter& filter) = 0;
    // Non-zero when the dialog was shown.
    virtual int show(Filter& filter) = 0;
};

}  // namespace platform
