#pragma once

#include "platform/media/FilterModules.h"

namespace platform {

// The module files the recorder registers at start, all built into the
// program here. Their filters join the filter registry as they are built.
void addBuiltInFilterModules(FilterModules& modules);

}  // namespace platform
