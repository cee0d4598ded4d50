#include "app/Replicast.h"

#include <filesystem>
#include <system_error>

#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/WindowsVersion.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/Folders.h"

namespace talvora {

Replicast::Replicast(AppContext& ctx, SettingsStore& store, RecorderServices services)
    : ctx_(ctx), store_(store), services_(services) {}

Replicast::~Replicast() = default;

bool Replicast::initInstance(const std::vector<std::string>& parameters) {
    if (ctx_.platform.windows.find(kProductTitle) != 0) {
        ctx_.platform.messageBox.show("Talvora is already running");
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

}  // namespace talvora
