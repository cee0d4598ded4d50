#pragma once

#include <optional>
#include <string>

namespace platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

// The few registry values the system reads.
class Registry {
public:
    virtual ~Registry() = default;
    // nullopt when the key cannot be opened or the value is absent.
    virtual std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                                  const std::string& value) = 0;
    // True when the key exists.
    virtual bool keyExists(RegistryRoot root, const std::string& key) = 0;
};

}  // namespace platform
