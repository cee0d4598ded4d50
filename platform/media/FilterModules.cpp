#include "platform/media/FilterModules.h"

namespace platform {

void FilterModules::addModule(const std::string& fileName, std::function<void()> registerFactories) {
    modules_[fileName] = std::move(registerFactories);
}

int FilterModules::registerServer(const std::vector<std::string>& args) {
    bool unregister = false;
    std::string path;
    for (const auto& arg : args) {
        // Switches are one letter ("/s", "-u"); anything else is the module's path.
        const bool isSwitch = arg.size() == 2 && (arg[0] == '/' || arg[0] == '-');
        if (isSwitch && (arg[1] == 'u' || arg[1] == 'U')) unregister = true;
        else if (!isSwitch) path = arg;
    }
    const auto slash = path.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    auto it = modules_.find(fileName);
    if (it == modules_.end()) return kModuleNotFound;
    if (unregister) {
        registered_.erase(fileName);
        return kRegistered;
    }
    if (registered_.insert(fileName).second && it->second) it->second();
    return kRegistered;
}

}  // namespace platform
