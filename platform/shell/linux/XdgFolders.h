#pragma once

#include "platform/shell/Folders.h"

namespace platform {

// Roaming application data = $XDG_CONFIG_HOME (default ~/.config); videos =
// the XDG videos folder (default ~/Videos); data home = $XDG_DATA_HOME
// (default ~/.local/share); the program folder from /proc/self/exe; the
// shared folder is named in PathMapping. Without HOME the home folder is the
// user's entry in the password database.
class XdgFolders : public Folders {
public:
    std::string programFolder() override;
    std::optional<std::string> roamingAppData(bool create) override;
    std::optional<std::string> videos(bool create) override;
    std::optional<std::string> dataHome(bool create) override;
    std::string publicFolder() override;
};

}  // namespace platform
