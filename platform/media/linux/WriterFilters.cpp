#include "platform/media/linux/WriterFilters.h"

#include "platform/media/linux/AsfWriterFilter.h"

namespace platform {

void registerWriterFilters(FilterRegistry& registry, DiagnosticLog& log) {
    registry.registerClass(kAsfWriterClassId, [&log] { return std::make_shared<AsfWriterFilter>(log); });
}

}  // namespace platform
