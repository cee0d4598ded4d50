#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class ShowState { Normal, Minimized, Hidden };

// A program started to be watched by its starter. Dropping it leaves the
// program running.
class StartedProgram {
public:
    virtual ~StartedProgram() = default;
    // Its exit code once it has ended (128 + the signal when a signal ended
    // it), empty while it runs. Never blocks.
    virtual std::optional<int> exitCode() = 0;
};

// Starting programs and opening documents, folders and web pages, in the way
// the system asks for it: a verb ("open", "runas"), a file and a parameter
// text. The parameter text is split into arguments by the usual command-line
// quoting rules and never handed to a shell.
class Launcher {
public:
    virtual ~Launcher() = default;

    // True when the program was started or the document handed to its opener.
    virtual bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
                         ShowState show) = 0;
    // As execute, then waits for the started process at most `timeout_ms`.
    // True when it was started (whether or not it ended in time).
    virtual bool executeAndWait(const std::string& verb, const std::string& file, const std::string& parameters,
                                ShowState show, int timeout_ms) = 0;
    // Starts a program as execute does, to be watched; null when it cannot
    // be started.
    virtual std::unique_ptr<StartedProgram> start(const std::string& file, const std::string& parameters,
                                                  ShowState show) = 0;
    // The program's full path, or empty when it cannot be found.
    virtual std::string findExecutable(const std::string& name) = 0;
};

}  // namespace platform
