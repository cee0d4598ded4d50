#pragma once

#include <string>

namespace platform {

// printf-style formatting into a std::string: the system's texts are printf
// formats ("%s ret=%d", "%.2f"), kept verbatim at the call sites.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
