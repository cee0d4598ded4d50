#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/AppContext.h"
#include "ui/WinDlg.h"

namespace talvora {

class SettingsStore;

// The hidden main frame titled "Talvora". It exists as a top-level window of
// the desktop (so a second instance finds it) but is never mapped. Its first
// timer tick finishes start-up and creates the recorder window. UI thread.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(AppContext& ctx, SettingsStore& store, RecorderServices services);
    ~MainWindow() override;

    WinDlg* recorderWindow() const { return recorder_.get(); }

    // The first tick's work; later ticks do nothing.
    void firstTick();

    // The settings dialog's new interface scale: destroys the recorder
    // window and creates it again at `percent` (at most 250). A call while
    // a rebuild runs does nothing.
    void rebuildRecorderWindow(int percent);

private:
    void checkDisplays();
    void startRestoreProgram();

    AppContext& ctx_;
    SettingsStore& store_;
    RecorderServices services_;
    QTimer timer_;
    bool ticked_ = false;
    std::unique_ptr<WinDlg> recorder_;
};

}  // namespace talvora
