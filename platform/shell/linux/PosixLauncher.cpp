#include "platform/shell/linux/PosixLauncher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <chrono>
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

bool PosixLauncher::execute(const std::string& verb, const std::string& file, const std::string& parameters,
                            ShowState show) {
    if (builtIns_.count(paths::program(file)) != 0) return executeAndWait(verb, file, parameters, show, 0);
    const auto argv = commandFor(file, parameters);
    if (argv.empty()) return false;
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    // Detached: the started program outlives us and leaves no zombie.
    return QProcess::startDetached(QString::fromStdString(argv[0]), args);
}

bool PosixLauncher::executeAndWait(const std::string&, const std::string& file, const std::string& parameters,
                                   ShowState, int timeout_ms) {
    if (auto it = builtIns_.find(paths::program(file)); it != builtIns_.end()) {
        it->second(splitCommandLine(parameters));
        return true;
    }
    const auto argv = commandFor(file, parameters);
    if (argv.empty()) return false;
    std::vector<char*> raw;
    for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, raw[0], nullptr, nullptr, raw.data(), environ) != 0) return false;
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
