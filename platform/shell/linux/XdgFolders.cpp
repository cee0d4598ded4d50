#include "platform/shell/linux/XdgFolders.h"

#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/shell/PathMapping.h"

namespace platform {

namespace {

std::string home() {
    const char* h = std::getenv("HOME");
    return h != nullptr ? h : "/";
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
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string folder = (config != nullptr && *config == '/') ? config : paths::join(home(), ".config");
    return prepared(folder, create);
}

std::optional<std::string> XdgFolders::videos(bool create) {
    return prepared(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation).toStdString(), create);
}

std::string XdgFolders::publicFolder() { return paths::sharedFolder(); }

}  // namespace platform
