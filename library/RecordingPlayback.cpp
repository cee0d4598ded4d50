#include "library/RecordingPlayback.h"

#include "platform/core/Format.h"
#include "platform/shell/CommandLine.h"
#include "platform/shell/Launcher.h"

namespace talvora {

void PlayRecording(AppContext& ctx, const std::string& file) {
    platform::Launcher& launcher = ctx.platform.launcher;
    constexpr auto normal = platform::ShowState::Normal;
    if (!ctx.environment.notWindows7) {
        launcher.execute("open", file, "", normal);
        return;
    }
    const std::string quoted = platform::format(" \"%s\"", platform::escapeQuoted(file).c_str());
    const std::string& vlc = ctx.environment.vlcLocation;
    if (!vlc.empty() && launcher.execute("open", vlc, quoted, normal)) return;
    if (launcher.execute("open", "wmplayer", quoted, normal)) return;
    launcher.execute("open", ctx.settings.recordingFolder, quoted, normal);
}

}  // namespace talvora
