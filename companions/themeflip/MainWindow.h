#pragma once

#include <QTimer>
#include <QWidget>

namespace themeflip {

class GlassoffTheme;

// The companion's one top-level frame: never shown, created as "Theme" and
// retitled "Glassoff", by which the recorder finds a running companion. Its
// timer 1 drives the application. UI thread.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow();

    // Creates the native window hidden, retitles it and makes sure the X
    // server has both before anyone looks for it.
    void create();
    void setApplication(GlassoffTheme* theme) { theme_ = theme; }
    QTimer& timer() { return timer_; }

protected:
    // A close request from anyone ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    GlassoffTheme* theme_ = nullptr;
    QTimer timer_;
};

}  // namespace themeflip
