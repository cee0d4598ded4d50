#include "platform/media/linux/WriterFilters.h"

#include "platform/media/linux/AsfWriterFilter.h"

namespace platform {

void registerWriterFilters(FilterRegistry& registry, DiagnosticLog& log, const RecordingJournal* journal) {
    registry.registerClass(kAsfWriterClassId,
                           [&log, journal] { return std::make_shared<AsfWriterFilter>(log, journal); });
}

}  // namespace platform
