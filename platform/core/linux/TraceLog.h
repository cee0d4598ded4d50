#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/core/DiagnosticLog.h"

namespace platform {

// The program has no log window, so trace lines are dropped, as designed;
// when the environment names a file in TALVORA_LOG they are appended there,
// which is how developers and desktop tests read them.
class TraceLog : public DiagnosticLog {
public:
    TraceLog();
    void append(std::string_view text) override;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace platform
