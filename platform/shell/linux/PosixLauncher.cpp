#include "platform/shell/linux/PosixLauncher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/shell/CommandLine.h"
#include "platform/shell/PathMapping.h"

extern char** environ;

namespace platform {

namespace {

bool isExecutableFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool isWebAddress(const std::string& file) {
    return file.rfind("http://", 0) == 0 || file.rfind("https://", 0) == 0 || file.rfind("mailto:", 0) == 0;
}

std::string searchPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = paths::join(folder.empty() ? "." : folder, name);
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

// Reaps a child that outlived its wait, so it does not stay a zombie.
void reapLater(pid_t pid) {
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
}

// Spawn attributes of a program that lives apart from us: a session of its
// own, and the signal mask and SIGPIPE of a fresh process rather than ours.
class DetachedAttributes {
public:
    DetachedAttributes() {
        ::posix_spawnattr_init(&attr_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        ::posix_spawnattr_setsigmask(&attr_, &none);
        ::posix_spawnattr_setsigdefault(&attr_, &defaults);
        ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~DetachedAttributes() { ::posix_spawnattr_destroy(&attr_); }
    DetachedAttributes(const DetachedAttributes&) = delete;
    DetachedAttributes& operator=(const DetachedAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &attr_; }

private:
    posix_spawnattr_t attr_;
};

// The arguments go to the program as the bytes they are: file names need
// not be UTF-8. -1 when it cannot be started.
pid_t spawn(const std::vector<std::string>& argv, const posix_spawnattr_t* attributes) {
    std::vector<char*> raw;
    for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    pid_t pid = 0;
    return ::posix_spawn(&pid, raw[0], nullptr, attributes, raw.data(), environ) == 0 ? pid : -1;
}

// Reaped when it ends, watched to its end or not: it leaves no zombie.
class SpawnedProgram : public StartedProgram {
public:
    explicit SpawnedProgram(pid_t pid) : pid_(pid) {}
    ~SpawnedProgram() override {
        if (!code_) reapLater(pid_);
    }
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    std::optional<int> exitCode() override {
        int status = 0;
        if (!code_ && ::waitpid(pid_, &status, WNOHANG) == pid_)
            code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return code_;
    }

private:
    pid_t pid_;
    std::optional<int> code_;
};

// A built-in has ended by the time it is handed back.
class FinishedProgram : public StartedProgram {
public:
    explicit FinishedProgram(int code) : code_(code) {}
    std::optional<int> exitCode() override { return code_; }

private:
    int code_;
};

}  // namespace

std::string PosixLauncher::findExecutable(const std::string& name) {
    const std::string mapped = paths::program(name);
    if (mapped.find('/') == std::string::npos) return searchPath(mapped);
    if (isExecutableFile(mapped)) return mapped;
    const std::string base = std::filesystem::path(mapped).filename().string();
    return mapped.rfind("./", 0) == 0 && paths::foundOnPathToo(base) ? searchPath(base) : std::string();
}

std::vector<std::string> PosixLauncher::commandFor(const std::string& file, const std::string& parameters) {
    std::vector<std::string> argv;
    if (isWebAddress(file)) return {"xdg-open", file};
    const std::string mapped = paths::program(file);
    std::string program = findExecutable(file);
    if (program.empty()) {
        // Not a program: a document or folder that exists opens with its opener.
        std::error_code ec;
        if (!std::filesystem::exists(mapped, ec)) return {};
        const std::string opener = searchPath("xdg-open");
        if (opener.empty()) return {};
        return {opener, mapped};
    }
    argv.push_back(program);
    for (auto& arg : splitCommandLine(parameters)) argv.push_back(std::move(arg));
    return argv;
}

bool PosixLauncher::execute(const std::string&, const std::string& file, const std::string& parameters,
                            ShowState show) {
    return start(file, parameters, show) != nullptr;
}

std::unique_ptr<StartedProgram> PosixLauncher::start(const std::string& file, const std::string& parameters,
                                                     ShowState) {
    if (auto it = builtIns_.find(paths::program(file)); it != builtIns_.end())
        return std::make_unique<FinishedProgram>(it->second(splitCommandLine(parameters)));
    const auto argv = commandFor(file, parameters);
    if (argv.empty()) return nullptr;
    const DetachedAttributes attributes;
    const pid_t pid = spawn(argv, attributes.get());
    return pid > 0 ? std::make_unique<SpawnedProgram>(pid) : nullptr;
}

bool PosixLauncher::executeAndWait(const std::string&, const std::string& file, const std::string& parameters,
                                   ShowState, int timeout_ms) {
    if (auto it = builtIns_.find(paths::program(file)); it != builtIns_.end()) {
        it->second(splitCommandLine(parameters));
        return true;
    }
    const auto argv = commandFor(file, parameters);
    if (argv.empty()) return false;
    const pid_t pid = spawn(argv, nullptr);
    if (pid <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            reapLater(pid);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace platform
