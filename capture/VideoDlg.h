#pragma once

#include <QDialog>

class QComboBox;

namespace platform {
class ManualCheckBox;
}  // namespace platform

namespace talvora {

class SettingsStore;
struct AppContext;

// "Talvora - Video Settings" (template 462): the recording format (MPEG or
// WMV), the video bit rate, the frame rate and the two options tied to the
// system's version. Modal, opened by the settings dialog. UI thread.
class VideoDlg : public QDialog {
    Q_OBJECT
public:
    VideoDlg(AppContext& ctx, SettingsStore& store, QWidget* parent = nullptr);

    void accept() override;  // OK: stores and writes the settings

private:
    void clickMpeg();
    void clickWmv();
    void clickBasicTheme();

    AppContext& ctx_;
    SettingsStore& store_;
    platform::ManualCheckBox* mpeg_;
    platform::ManualCheckBox* wmv_;
    platform::ManualCheckBox* background_;
    platform::ManualCheckBox* basic_;
    QComboBox* bitrate_;
    QComboBox* frameRate_;
};

}  // namespace talvora
