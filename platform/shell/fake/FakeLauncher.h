#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/shell/Launcher.h"

namespace platform {

// Records every start; a file is "found" unless it is listed in `missing`.
class FakeLauncher : public Launcher {
public:
    struct Call {
        std::string verb;
        std::string file;
        std::string parameters;
        ShowState show;
        int timeout_ms;  // -1 when not waited for
    };

    bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
                 ShowState show) override;
    bool executeAndWait(const std::string& verb, const std::string& file, const std::string& parameters,
                        ShowState show, int timeout_ms) override;
    // A started program has ended with `exitCode` when it holds a value;
    // change it only on the thread that watches the program.
    std::unique_ptr<StartedProgram> start(const std::string& file, const std::string& parameters,
                                          ShowState show) override;
    std::string findExecutable(const std::string& name) override;

    std::vector<Call> calls;
    std::optional<int> exitCode = 0;
    std::vector<std::string> missing;
    std::map<std::string, std::string> executables;
};

}  // namespace platform
