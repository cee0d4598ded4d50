#include "platform/shell/PathMapping.h"

#include <algorithm>

namespace platform::paths {

namespace {
bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string program(const std::string& windowsName) {
    if (windowsName == "wmplayer" || windowsName == "wordpad") return "xdg-open";
    std::string name = windowsName;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (endsWith(name, ".exe")) name.resize(name.size() - 4);
    else if (endsWith(name, ".bat")) name.replace(name.size() - 4, 4, ".sh");
    return name;
}

bool foundOnPathToo(const std::string& programName) { return programName == "ffmpeg"; }

bool windowsOnly(const std::string& programName) { return programName == "./sceneback"; }

std::string sharedFolder() { return "/home/Public"; }

std::string registryFile(const std::string& roamingAppData) { return join(roamingAppData, "talvora-registry.ini"); }

}  // namespace platform::paths
