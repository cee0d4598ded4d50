#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talvora {

class SettingsStore;
struct AppContext;

// "Talvora - Select monitor" (template 460): which monitor is recorded, and
// the second monitor's scale in background mode. Modal; UI thread.
class MonitorDlg : public QDialog {
    Q_OBJECT
public:
    // exec() results beside QDialog's Accepted and Rejected.
    static constexpr int kResetMarkers = 2;

    // `primaryWidth` and `primaryHeight`: the primary screen's size.
    MonitorDlg(AppContext& ctx, SettingsStore& store, int primaryWidth, int primaryHeight, bool canMark,
               QWidget* parent = nullptr);

    void accept() override;  // OK

private:
    void resetMarkers();

    AppContext& ctx_;
    SettingsStore& store_;
    QRadioButton* monitor1_;
    QRadioButton* monitor2_;
    QLineEdit* scale_;
};

}  // namespace talvora
