#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/RecordingJournal.h"

namespace platform {

// Registers the filters that write recordings: the ASF writer by its class
// id. Its filters log to `log` and note unfinished files in `journal` (when
// given); both must outlive them.
void registerWriterFilters(FilterRegistry& registry, DiagnosticLog& log, const RecordingJournal* journal = nullptr);

}  // namespace platform
