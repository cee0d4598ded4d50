#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace platform {
class DiagnosticLog;
class MessageBox;
}  // namespace platform

namespace talvora {

// The raw name of a new recording: the mode word, "_", the local date as
// MM/DD/YY, "_", the local time as HH:MM:SS, and ".wmv" for `Protocol` 1, else
// ".mpg". It still holds '/' and ':', which SanitizeFileName removes.
std::string RecordingFileName(const std::string& word, std::time_t now, int protocol);

// Drops characters below 32 and \ / : * < | ? = % ` (so that no name leaves
// its folder); '>' and '"' stay. Every examined character goes to the log as
// " %02X".
std::string SanitizeFileName(const std::string& name, platform::DiagnosticLog& log);

// The sanitised name, made unique within `folder` with a "[n]" suffix before
// the extension. Lists the folder; when it cannot be listed shows "Cannot find
// recording folder %s" and returns nothing. UI thread.
std::optional<std::string> MakeUniqueFileName(const std::string& folder, const std::string& name,
                                              platform::DiagnosticLog& log, platform::MessageBox& messageBox);

}  // namespace talvora
