#include "library/FileNotices.h"

#include <filesystem>

#include "library/RecordingPlayback.h"
#include "platform/desktop/Notifications.h"
#include "platform/shell/Launcher.h"

namespace talvora {

namespace {
constexpr const char* kOpenFolder = "open-folder";
constexpr const char* kPlay = "play";

// "Zoom_070720_101530.wmv\nin /home/me/Videos/Talvora Recordings"
std::string whereItIs(const std::string& path) {
    const std::filesystem::path file(path);
    return file.filename().string() + "\nin " + file.parent_path().string();
}

const char* typeOf(ConversionKind kind) { return kind == ConversionKind::Mp4 ? "MP4" : "MP3"; }
}  // namespace

FileNotices::FileNotices(AppContext& ctx, platform::Notifications& notifications)
    : ctx_(ctx), notifications_(notifications) {}

void FileNotices::recordingSaved(const std::string& path) { notify("Recording saved", whereItIs(path), path); }

void FileNotices::converted(ConversionKind kind, const std::string& output) {
    notify(std::string("Converted to ") + typeOf(kind), whereItIs(output), output);
}

void FileNotices::conversionFailed(ConversionKind kind, const std::string& input, const std::string& why) {
    notify(std::string("Conversion to ") + typeOf(kind) + " failed", why + "\n" + whereItIs(input), input);
}

void FileNotices::notify(const std::string& summary, const std::string& body, const std::string& file) {
    const std::vector<platform::NotificationAction> actions{{kOpenFolder, "Open folder"}, {kPlay, "Play"}};
    notifications_.notify(summary, body, actions, [this, file](const std::string& key) {
        if (key == kPlay) PlayRecording(ctx_, file);
        else if (key == kOpenFolder)
            ctx_.platform.launcher.execute("open", std::filesystem::path(file).parent_path().string(), "",
                                           platform::ShowState::Normal);
    });
}

}  // namespace talvora
