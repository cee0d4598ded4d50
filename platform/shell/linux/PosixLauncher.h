#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/shell/Launcher.h"

namespace platform {

// Starts programs with an argument vector (never through a shell) and hands
// documents, folders and web pages to xdg-open. Programs the system starts
// that exist here as part of this process (such as the filter registration
// tool) are registered as built-ins and run in-process. Any thread.
class PosixLauncher : public Launcher {
public:
    using BuiltIn = std::function<int(const std::vector<std::string>& args)>;

    bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
                 ShowState show) override;
    bool executeAndWait(const std::string& verb, const std::string& file, const std::string& parameters,
                        ShowState show, int timeout_ms) override;
    std::unique_ptr<StartedProgram> start(const std::string& file, const std::string& parameters,
                                          ShowState show) override;
    std::string findExecutable(const std::string& name) override;

    // Registers an in-process program under the name the system starts it by.
    // Call before the first start.
    void addBuiltIn(const std::string& name, BuiltIn run) { builtIns_[name] = std::move(run); }

private:
    // argv for the file and its parameters; empty when nothing can run it.
    std::vector<std::string> commandFor(const std::string& file, const std::string& parameters);
    std::map<std::string, BuiltIn> builtIns_;
};

}  // namespace platform
