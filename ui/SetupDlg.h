#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QLineEdit;
class QMenuBar;

namespace platform {
class ManualCheckBox;
}  // namespace platform

namespace talvora {

class SettingsStore;
class SetupHost;
struct AppContext;

// The settings dialog "Settings" (template 468 with menu 434): what to
// record, the hotkeys, the duration limit, the conversions and the recorder
// window's scale; its menu reaches the capture modes, the monitor choice,
// the options, help and the about box. Modeless; every change goes to the
// settings file at once. UI thread.
class SetupDlg : public QDialog {
    Q_OBJECT
public:
    // Command ids of menu 434.
    enum Command {
        kEnableTracking = 33095,
        kShowClonedVideo = 33024,
        kResetMarkers = 33065,
        kRestoreDefaults = 33046,
        kSelectMonitor = 33067,
        kSetOnTop = 33099,
        kDisableAero = 33104,
        kTrackZoom = 33089,
        kTrackGoogle = 33090,
        kMarkedRegion = 33072,
        kCaptureCursor = 33087,
        kFullScreen = 33058,
        kUserGuide = 32899,
        kWebSite = 33019,
        kAbout = 32835,
    };

    SetupDlg(AppContext& ctx, SettingsStore& store, SetupHost& host, QWidget* parent = nullptr);

    void accept() override;  // OK
    void reject() override;  // Cancel and the close box

    // Carries out a command of menu 434.
    void onCommand(int id);
    // The menu entry of a command (the first one for the tracking command).
    QAction* menuEntry(int id) const;
    // Audio set-up's "tick Record audio".
    void tickRecordAudio();
    // Which hotkey edit last had the focus: 1 start/stop, 2 pause, 3 mute, 0 none.
    int trackedHotkeyEdit() const { return trackedEdit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildControls(QWidget* client);
    void updateMenuState();
    void putModifier(const char* word);
    bool readDuration();
    void storeHotkeys();
    void storeRecordWhat();
    void selectMonitor();
    void markedRegion();
    void resetMarkers();
    void setOnTop();
    void disableAero();
    void flipCursor();
    void toggleClonedVideo();
    void restoreDefaults();

    AppContext& ctx_;
    SettingsStore& store_;
    SetupHost& host_;
    QMenuBar* menuBar_ = nullptr;
    platform::ManualCheckBox* video_ = nullptr;
    platform::ManualCheckBox* audio_ = nullptr;
    QCheckBox* mp4_ = nullptr;
    QCheckBox* mp3_ = nullptr;
    QLineEdit* hotkeyEdits_[3] = {};
    QLineEdit* duration_ = nullptr;
    QLineEdit* scale_ = nullptr;
    int trackedEdit_ = 0;
};

}  // namespace talvora
