#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/media/FilterRegistry.h"

namespace platform {

// Registers the filters that write recordings: the ASF writer by its class
// id. Its filters log to `log`, which must outlive them.
void registerWriterFilters(FilterRegistry& registry, DiagnosticLog& log);

}  // namespace platform
