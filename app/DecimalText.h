#pragma once

#include <string_view>

namespace talvora {

// Reads a decimal integer the way the system's texts are read: leading blanks
// skipped, an optional sign, digits up to the first other character; no
// digits gives 0. Values beyond 32 bits are clamped to the int range.
int parseDecimalInt(std::string_view text);

}  // namespace talvora
