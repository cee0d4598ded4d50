#include "FakePlatform.h"

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
    folders.shared = (root / "Public").string();
    std::filesystem::create_directories(folders.program);
}

FakePlatform::~FakePlatform() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

}  // namespace talvora::test
