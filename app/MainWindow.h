#pragma once

#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/AppContext.h"
#include "ui/WinDlg.h"

namespace talvora {

class SettingsStore;

// The hidden main frame titled "Talvora". It exists as a top-level window of
// the desktop (so a second instance finds it) and is never shown on the
// screen: from the first tick it stays minimised, which gives the program
// its taskbar entry; restoring it restores the recorder window. Where the
// desktop has a system tray, an icon there does the same. Its first timer
// tick finishes start-up and creates the recorder window. UI thread.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(AppContext& ctx, SettingsStore& store, RecorderServices services);
    ~MainWindow() override;

    WinDlg* recorderWindow() const { return recorder_.get(); }

    // The first tick's work; later ticks do nothing.
    void firstTick();
    // A termination signal: the recorder window's exit path without its
    // question, or the end of the process before that window exists.
    void endBySignal();
    // The system's restore command (from the taskbar or a second start).
    void onSystemCommand(std::intptr_t command);

    // The settings dialog's new interface scale: destroys the recorder
    // window and creates it again at `percent` (at most 250). A call while
    // a rebuild runs does nothing.
    void rebuildRecorderWindow(int percent);

protected:
    void changeEvent(QEvent* event) override;

private:
    void checkDisplays();
    void startRestoreProgram();
    void showInTaskbar();

    AppContext& ctx_;
    SettingsStore& store_;
    RecorderServices services_;
    QTimer timer_;
    bool ticked_ = false;
    std::unique_ptr<WinDlg> recorder_;
    QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace talvora
