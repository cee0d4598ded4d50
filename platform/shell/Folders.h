#pragma once

#include <optional>
#include <string>

namespace platform {

// Well-known folders, as absolute paths without a trailing separator.
class Folders {
public:
    virtual ~Folders() = default;

    // Folder of the running executable.
    virtual std::string programFolder() = 0;
    // Per-user roaming application data; created when `create` is set.
    virtual std::optional<std::string> roamingAppData(bool create) = 0;
    // The user's videos folder; created when `create` is set.
    virtual std::optional<std::string> videos(bool create) = 0;
    // The user's own data folder (where programs keep files for this user);
    // created when `create` is set.
    virtual std::optional<std::string> dataHome(bool create) = 0;
    // The folder shared by all users of the machine.
    virtual std::string publicFolder() = 0;
};

}  // namespace platform
