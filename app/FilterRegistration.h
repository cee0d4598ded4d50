#pragma once

#include <string>

#include "app/AppContext.h"

namespace talvora {

// Runs a program with a parameter text and waits for it (at most 10 s);
// 1 when it was started, 0 when the shell refused.
int RunElevated(AppContext& ctx, const std::string& program, const std::string& parameters);

// Registers the filter modules of the program's "Bin" folder, MPEG-2 list
// first, then the capture list. Failures are only logged.
void RegisterFilters(AppContext& ctx);

// Writes the block of system facts to the diagnostic log.
void LogSystemInfo(AppContext& ctx);

}  // namespace talvora
