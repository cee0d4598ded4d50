#include "platform/shell/fake/FakeLauncher.h"

#include <algorithm>

namespace platform {

bool FakeLauncher::execute(const std::string& verb, const std::string& file, const std::string& parameters,
                           ShowState show) {
    return executeAndWait(verb, file, parameters, show, -1);
}

bool FakeLauncher::executeAndWait(const std::string& verb, const std::string& file,
                                  const std::string& parameters, ShowState show, int timeout_ms) {
    calls.push_back({verb, file, parameters, show, timeout_ms});
    return std::find(missing.begin(), missing.end(), file) == missing.end();
}

namespace {
class FakeProgram : public StartedProgram {
public:
    explicit FakeProgram(const std::optional<int>& code) : code_(code) {}
    std::optional<int> exitCode() override { return code_; }

private:
    const std::optional<int>& code_;
};
}  // namespace

std::unique_ptr<StartedProgram> FakeLauncher::start(const std::string& file, const std::string& parameters,
                                                    ShowState show) {
    if (!execute("open", file, parameters, show)) return nullptr;
    return std::make_unique<FakeProgram>(exitCode);
}

std::string FakeLauncher::findExecutable(const std::string& name) {
    auto it = executables.find(name);
    return it == executables.end() ? std::string() : it->second;
}

}  // namespace platform
