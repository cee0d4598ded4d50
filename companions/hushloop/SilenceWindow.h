#pragma once

#include <QTimer>
#include <QWidget>

namespace platform {
class SoundPlayer;
class Windows;
}  // namespace platform

namespace hushloop {

// The companion's one hidden top-level window. It keeps the default output
// busy with a looping silent sound while a recorder window of the family
// exists, so the recorder's loopback capture always receives data. Lives on
// the Qt thread.
class SilenceWindow : public QWidget {
    Q_OBJECT
public:
    SilenceWindow(platform::Windows& windows, platform::SoundPlayer& sound);

    // False when another companion's window already exists on this desktop:
    // the program then ends at once. Otherwise the window is created hidden,
    // the silence plays and the once-a-second check runs.
    bool start();

    // True while a top-level window of one of the recorders exists.
    bool recorderRunning();

protected:
    // A close request from anyone ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    void checkRecorders();

    platform::Windows& windows_;
    platform::SoundPlayer& sound_;
    QTimer timer_;
};

}  // namespace hushloop
