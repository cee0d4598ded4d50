#pragma once

#include <QWidget>

#include "app/AppContext.h"

namespace talvora {

class SettingsStore;

// The recorder window: everything the user sees after start-up. Created by
// the main window's first tick in the "MINI" layout when `MiniClone` is set,
// otherwise "MAXI". UI thread only.
class WinDlg : public QWidget {
    Q_OBJECT
public:
    enum class Layout { Mini, Maxi };

    WinDlg(AppContext& ctx, SettingsStore& store, Layout layout);

    Layout layout() const { return layout_; }
    double interfaceScale() const { return scale_; }

    // The program's exit path: asks while a recording is active, then ends
    // the process with code 0. A second call while closing does nothing.
    void closeProgram();

    // Unscaled client sizes of the two layouts, from their templates.
    static QSize unscaledSize(Layout layout);

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void place();

    AppContext& ctx_;
    SettingsStore& store_;
    Layout layout_;
    double scale_ = 1.0;
};

}  // namespace talvora
