#include "platform/shell/linux/XdgFolders.h"

#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "platform/shell/PathMapping.h"

namespace platform {

namespace {

std::string home() {
    if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') return h;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && *found->pw_dir != '\0')
        return found->pw_dir;
    return "/";
}

// An absolute folder from the environment variable, else `fallback`.
std::string fromEnvironment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value == '/' ? value : fallback;
}

std::optional<std::string> prepared(const std::string& folder, bool create) {
    if (folder.empty()) return std::nullopt;
    std::error_code ec;
    if (create) std::filesystem::create_directories(folder, ec);
    if (create && !std::filesystem::is_directory(folder, ec)) return std::nullopt;
    return folder;
}

}  // namespace

std::string XdgFolders::programFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

std::optional<std::string> XdgFolders::roamingAppData(bool create) {
    return prepared(fromEnvironment("XDG_CONFIG_HOME", paths::join(home(), ".config")), create);
}

std::optional<std::string> XdgFolders::dataHome(bool create) {
    return prepared(fromEnvironment("XDG_DATA_HOME", paths::join(home(), ".local/share")), create);
}

std::optional<std::string> XdgFolders::videos(bool create) {
    return prepared(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation).toStdString(), create);
}

std::string XdgFolders::publicFolder() { return paths::sharedFolder(); }

}  // namespace platform
