#pragma once

#include <string_view>

namespace platform {

// The diagnostic log: trace lines that the subsystems format. The program has
// no log window, so the real log keeps them only when asked to (see TraceLog).
// Called from any thread.
class DiagnosticLog {
public:
    virtual ~DiagnosticLog() = default;
    virtual void append(std::string_view text) = 0;
};

}  // namespace platform
