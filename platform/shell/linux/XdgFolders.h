#pragma once

#include "platform/shell/Folders.h"

namespace platform {

// Roaming application data = $XDG_CONFIG_HOME (default ~/.config); videos =
// the XDG videos folder (default ~/Videos); the program folder from
// /proc/self/exe; the shared folder is named in PathMapping.
class XdgFolders : public Folders {
public:
    std::string programFolder() override;
    std::optional<std::string> roamingAppData(bool create) override;
    std::optional<std::string> videos(bool create) override;
    std::string publicFolder() override;
};

}  // namespace platform
