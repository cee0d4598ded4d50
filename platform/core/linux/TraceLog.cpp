#include "platform/core/linux/TraceLog.h"

#include <cstdlib>

namespace platform {

TraceLog::TraceLog() {
    if (const char* path = std::getenv("TALVORA_LOG"); path != nullptr && *path != '\0')
        file_.reset(std::fopen(path, "ae"));
}

void TraceLog::append(std::string_view text) {
    if (!file_) return;
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

}  // namespace platform
