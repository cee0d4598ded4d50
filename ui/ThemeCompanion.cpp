#include "ui/ThemeCompanion.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/PathMapping.h"

namespace talvora {
namespace {

constexpr const char* kCompanionTitle = "Glassoff";
constexpr const char* kCompanionProgram = ".\\themeflip.exe";
constexpr const char* kFrameTitle = "Talvora";
constexpr const char* kSavedTheme = ".\\SavedTheme.txt";
// A window's close request travels as a message registered under its
// Windows name; the companion listens for it on its frame.
constexpr const char* kCloseMessageName = "WM_CLOSE";
constexpr int kCloseWaitStep_ms = 250;
constexpr int kCloseWaitSteps = 8;
constexpr std::size_t kThemeLineChars = 1999;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Asks a running companion to close and waits until its window is gone, so
// the new one does not find it and the old one cannot give compositing back
// behind the new one's back.
void closeRunningCompanion(Platform& p) {
    const platform::WindowId running = p.windows.find(kCompanionTitle);
    if (running == 0) return;
    p.messages.post(running, p.messages.registerMessage(kCloseMessageName), 0, 0);
    for (int step = 0; step < kCloseWaitSteps && p.windows.exists(running); ++step) p.pump.pump(kCloseWaitStep_ms);
}

}  // namespace

bool StartThemeCompanion(AppContext& ctx, SettingsStore& store) {
    if (ctx.environment.notWindows7) return true;
    Platform& p = ctx.platform;
    closeRunningCompanion(p);
    const std::string parameters = std::string("-w \"") + kFrameTitle + "\"";
    if (p.launcher.execute("open", kCompanionProgram, parameters, platform::ShowState::Normal)) return true;
    ctx.settings.basic = 0;
    store.write();
    p.messageBox.show(
        "Cannot setup Windows Basic desktop theme. Try to manually change your Windows 7 theme to Windows Basic.");
    return false;
}

void ThemeStartupStep(AppContext& ctx, SettingsStore& store) {
    const Environment& env = ctx.environment;
    if (!env.vistaOrLater) return;
    Settings& s = ctx.settings;
    if (s.basic != 0) {
        StartThemeCompanion(ctx, store);
    } else if (s.install == 0 && !env.notWindows7 && !env.windows10) {
        ctx.platform.messageBox.show(
            "In order to improve the quality of recorded video Callvane will now use the Windows Basic theme. Your "
            "screen may flicker for a moment. You can disable this from Settings.\n\nClick OK to continue");
        StartThemeCompanion(ctx, store);
        s.install = 1;
        s.basic = 1;
        store.write();
    }
}

void RestoreSavedTheme(AppContext& ctx, SettingsStore& store) {
    ctx.settings.setTopWindow = 0;
    store.write();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(platform::paths::program(kSavedTheme).c_str(), "r"));
    if (!file) {
        ctx.platform.messageBox.show("Cannot restore Windows theme. Try to do this manually");
        return;
    }
    char line[kThemeLineChars + 1] = {};
    const bool read = std::fgets(line, sizeof line, file.get()) != nullptr;
    file.reset();
    std::string path = read ? line : "";
    if (const auto end = path.find_first_of("\r\n"); end != std::string::npos) path.resize(end);
    // Only a full path with a drive names a theme file; paths here have no
    // drive, so this stops on this desktop.
    if (path.find(":\\") == std::string::npos) return;
    ctx.platform.launcher.execute("open", path, "", platform::ShowState::Hidden);
}

}  // namespace talvora
