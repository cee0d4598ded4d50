#include "FakePlatform.h"

#include "app/SettingsStore.h"

#include <atomic>
#include <unistd.h>

namespace talvora::test {

namespace {
std::filesystem::path freshFolder() {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() /
               ("talvora-unit-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}
}  // namespace

FakePlatform::FakePlatform()
    : root(freshFolder()),
      platform{messageBox, log, pump, process, folders, launcher, registry, system, windows, messages, display, sound},
      ctx(platform) {
    folders.program = (root / "program").string();
    folders.appData = (root / "config").string();
    folders.videosFolder = (root / "Videos").string();
    folders.dataHomeFolder = (root / "share").string();
    folders.shared = (root / "Public").string();
    std::filesystem::create_directories(folders.program);
}

FakePlatform::~FakePlatform() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

InProgramFolder::InProgramFolder(FakePlatform& fp, SettingsStore& store)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::copy_file(std::string(TALVORA_SOURCE_DIR) + "/resources/settings_rp_goog_init.ini",
                               std::filesystem::path(fp.folders.program) / "settings_rp_goog_init.ini");
    std::filesystem::current_path(fp.folders.program);
    store.prepareDataFolder();
    store.read();
}

InProgramFolder::~InProgramFolder() { std::filesystem::current_path(previous_); }

}  // namespace talvora::test
