#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace platform {

// The filter modules the system registers by file name ("VozEza5.ax", ...).
// Here the filters are built into the program: each module name maps to a
// function that puts its filter factories into the filter registry, and the
// registration tool ("regsvr32") is answered in-process by registerServer().
// UI thread.
class FilterModules {
public:
    // Exit codes of the registration tool.
    static constexpr int kRegistered = 0;
    static constexpr int kModuleNotFound = 3;

    void addModule(const std::string& fileName, std::function<void()> registerFactories);

    // Takes the tool's arguments ("/s" and the module's path; "/u" removes
    // the registration) and registers the module named by the path's last part.
    int registerServer(const std::vector<std::string>& args);

    bool isRegistered(const std::string& fileName) const { return registered_.count(fileName) != 0; }
    std::vector<std::string> registeredModules() const { return {registered_.begin(), registered_.end()}; }

private:
    std::map<std::string, std::function<void()>> modules_;
    std::set<std::string> registered_;
};

}  // namespace platform
