#pragma once

#include "app/AppContext.h"

namespace talvora {

// Fills the version flags and the version text of the environment. Runs at
// the main window's first tick and when the recorder window opens.
void DetectWindowsVersion(AppContext& ctx);

// The administrator flag, asked once at start.
bool IsUserAdmin(AppContext& ctx);

}  // namespace talvora
