#pragma once

namespace platform {

// Ends the process. Fatal conditions of the system end it with code 0 after a
// message; tests replace this with a fake that records the request instead.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    [[noreturn]] virtual void exitProcess(int code) = 0;
    // Raises the process's scheduling priority above normal where allowed.
    virtual void raisePriority() = 0;
};

}  // namespace platform
