#pragma once

#include <string>

#include "app/AppContext.h"
#include "library/ConversionCommand.h"

namespace platform {
class Notifications;
}

namespace talvora {

// Tells the user, through the desktop's notifications, where a finished
// recording or conversion went, or that a conversion failed; each notice
// offers to open the folder and to play the file. Any thread.
class FileNotices {
public:
    FileNotices(AppContext& ctx, platform::Notifications& notifications);

    // `path`: the recording just finished.
    void recordingSaved(const std::string& path);
    // `output`: the MP4 or MP3 file made.
    void converted(ConversionKind kind, const std::string& output);
    // `input`: the recording that could not be converted; `why`: the text
    // the status line shows.
    void conversionFailed(ConversionKind kind, const std::string& input, const std::string& why);

private:
    void notify(const std::string& summary, const std::string& body, const std::string& file);

    AppContext& ctx_;
    platform::Notifications& notifications_;
};

}  // namespace talvora
