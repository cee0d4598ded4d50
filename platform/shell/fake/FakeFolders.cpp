#include "platform/shell/fake/FakeFolders.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {
std::optional<std::string> made(const std::optional<std::string>& folder, bool create) {
    if (folder && create) {
        std::error_code ec;
        std::filesystem::create_directories(*folder, ec);
    }
    return folder;
}
}  // namespace

std::optional<std::string> FakeFolders::roamingAppData(bool create) { return made(appData, create); }
std::optional<std::string> FakeFolders::videos(bool create) { return made(videosFolder, create); }
std::optional<std::string> FakeFolders::dataHome(bool create) { return made(dataHomeFolder, create); }

}  // namespace platform
