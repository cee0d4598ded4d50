#include "platform/core/Format.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    }
    va_end(args);
    return text;
}

}  // namespace platform
