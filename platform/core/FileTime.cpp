#include "platform/core/FileTime.h"

#include <chrono>
#include <ctime>

namespace platform {

std::int64_t localFileTimeNow() {
    constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const std::int64_t utc_100ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count() / 100;
    return kUnixEpochAsFileTime + utc_100ns + static_cast<std::int64_t>(local.tm_gmtoff) * 10000000;
}

}  // namespace platform
