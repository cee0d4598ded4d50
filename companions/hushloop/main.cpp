// hushloop: plays silence on the default output for as long as a recorder
// window exists, so that the recorder's loopback capture always gets data.
// It reads no command line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "companions/hushloop/SilenceWindow.h"
#include "platform/audio/linux/PulseSoundPlayer.h"
#include "platform/desktop/linux/X11Session.h"
#include "platform/desktop/linux/X11Windows.h"

int main(int argc, char** argv) {
    if (const auto problem = platform::x11SessionProblem("hushloop")) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    QApplication app(argc, argv);
    // The hidden window is the only one; ending is the window's decision.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::X11Windows windows;
    platform::PulseSoundPlayer sound;
    hushloop::SilenceWindow window(windows, sound);
    if (!window.start()) return 0;
    const int code = QApplication::exec();
    // End at once: stopping the player politely waits until its pending write
    // fits into the server's buffer, which can take over a second. The server
    // drops our stream when the connection closes with the process.
    std::quick_exit(code);
}
