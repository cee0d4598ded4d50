#pragma once

#include <optional>
#include <string>

#include "platform/shell/Folders.h"

namespace platform {

// Folders pointing wherever a test says (usually below a temporary folder).
// An empty optional makes the query fail.
class FakeFolders : public Folders {
public:
    std::string programFolder() override { return program; }
    std::optional<std::string> roamingAppData(bool create) override;
    std::optional<std::string> videos(bool create) override;
    std::optional<std::string> dataHome(bool create) override;
    std::string publicFolder() override { return shared; }

    std::string program;
    std::optional<std::string> appData;
    std::optional<std::string> videosFolder;
    std::optional<std::string> dataHomeFolder;
    std::string shared;
};

}  // namespace platform
