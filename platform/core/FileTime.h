#pragma once

#include <cstdint>

namespace platform {

// The current local time as a file time: 100 ns units since 1 January 1601.
std::int64_t localFileTimeNow();

}  // namespace platform
