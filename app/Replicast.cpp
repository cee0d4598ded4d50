#include "app/Replicast.h"

#include <filesystem>
#include <system_error>

#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/WindowsVersion.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/Folders.h"

namespace talvora {

Replicast::Replicast(AppContext& ctx, SettingsStore& store, RecorderServices services)
    : ctx_(ctx), store_(store), services_(services) {}

Replicast::~Replicast() = default;

bool Replicast::initInstance(const std::vector<std::string>& parameters) {
    if (const platform::WindowId running = ctx_.platform.windows.find(kProductTitle); running != 0) {
        ctx_.platform.messageBox.show("Talvora is already running");
        // The running recorder may be minimised with nothing on the screen to
        // bring it back: it is restored, as from its taskbar entry.
        ctx_.platform.messages.post(running, ctx_.messages.systemCommand, platform::kRestoreCommand, 0);
        return false;
    }

    std::error_code ec;
    std::filesystem::current_path(ctx_.platform.folders.programFolder(), ec);

    cmdLine_.parse(parameters);
    ctx_.switches = LaunchSwitches::from(cmdLine_);

    IsUserAdmin(ctx_);

    store_.prepareDataFolder();
    store_.read();
    store_.applyTemplateOnFirstRun(ctx_.switches.installer);

    mainWindow_ = std::make_unique<MainWindow>(ctx_, store_, services_);
    ctx_.platform.process.raisePriority();
    return true;
}

void Replicast::endBySignal() {
    if (mainWindow_ != nullptr) mainWindow_->endBySignal();
    else ctx_.platform.process.exitProcess(0);
}

}  // namespace talvora
