#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/CmdLineInfo.h"
#include "ui/WinDlg.h"

namespace talvora {

class MainWindow;
class SettingsStore;

// The application object of the recorder: start-up in its order, the single
// instance rule and the hidden main frame. UI thread.
class Replicast {
public:
    Replicast(AppContext& ctx, SettingsStore& store, RecorderServices services);
    ~Replicast();

    // Runs the start-up steps; false when another instance runs (the caller
    // then ends the process).
    bool initInstance(const std::vector<std::string>& parameters);
    // A termination signal: the exit path without its question.
    void endBySignal();

    static constexpr const char* kProductTitle = "Talvora";

    const CmdLineInfo& commandLine() const { return cmdLine_; }
    MainWindow* mainWindow() const { return mainWindow_.get(); }

private:
    AppContext& ctx_;
    SettingsStore& store_;
    RecorderServices services_;
    CmdLineInfo cmdLine_;
    std::unique_ptr<MainWindow> mainWindow_;
};

}  // namespace talvora
