#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/shell/Registry.h"

namespace platform {

// Registry values from this system's own sources: the processor name from
// /proc/cpuinfo, everything else from a small key/value file with sections
// "[CurrentUser\KEY]" or "[LocalMachine\KEY]" and lines "Value=text".
// Read-only; any thread.
class FileRegistry : public Registry {
public:
    explicit FileRegistry(std::string valuesFile) : valuesFile_(std::move(valuesFile)) {}

    std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                          const std::string& value) override;
    bool keyExists(RegistryRoot root, const std::string& key) override;

    static std::string processorNameFromCpuInfo(const std::string& cpuinfoText);

private:
    std::map<std::string, std::map<std::string, std::string>> load() const;
    std::string valuesFile_;
};

}  // namespace platform
