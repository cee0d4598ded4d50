#include "app/WindowsVersion.h"

#include <array>
#include <utility>

#include "platform/core/Format.h"
#include "platform/shell/SystemInfo.h"

namespace talvora {

namespace {

constexpr std::size_t kVersionTextLimit = 99;

const std::array<std::pair<const char*, const char*>, 8> kSuffixes{{
    {"10", " (Windows 10)"},
    {"6.3", " (Windows 8.1)"},
    {"6.2", " (Windows 8)"},
    {"6.1", " (Windows 7)"},
    {"6.0", " (Windows Vista)"},
    {"5.2", " (Windows XP 64 bit)"},
    {"5.1", " (Windows XP)"},
    {"5.0", " (Windows 2000)"},
}};

}  // namespace

void DetectWindowsVersion(AppContext& ctx) {
    Environment& env = ctx.environment;
    const platform::OsVersion v = ctx.platform.system.osVersion();
    if (!v.ok) return;  // a failed query leaves the defaults

    // The product query counts only at the first check.
    if (v.major > 5 || (!env.versionChecked && v.hasGetProductInfo)) env.vistaOrLater = true;
    env.versionChecked = true;

    std::string text = platform::format("Windows Version: %d.%d", v.major, v.minor);
    if (v.major <= 5 && v.hasGetProductInfo) text = "Windows Version: 6+";

    env.notWindows7 = env.vistaOrLater && v.major > 5 && v.minor != 1;
    env.windows10 = env.vistaOrLater && v.major == 10;

    for (const auto& [key, suffix] : kSuffixes) {
        if (text.find(key) != std::string::npos) {
            text += suffix;
            break;
        }
    }
    // The real system is named after the suffix, so it cannot match a key.
    if (const std::string name = ctx.platform.system.systemName(); !name.empty()) text += " - " + name;
    if (text.size() > kVersionTextLimit) text.resize(kVersionTextLimit);
    env.versionText = text;
}

bool IsUserAdmin(AppContext& ctx) {
    ctx.environment.administrator = ctx.platform.system.isAdministrator();
    return ctx.environment.administrator;
}

}  // namespace talvora
