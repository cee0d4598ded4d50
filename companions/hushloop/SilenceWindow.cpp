#include "companions/hushloop/SilenceWindow.h"

#include <xcb/xcb.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <array>
#include <cstdlib>

#include "platform/audio/SoundPlayer.h"
#include "platform/desktop/Windows.h"

namespace hushloop {
namespace {

constexpr const char* kTitle = "Silence";
constexpr const char* kFirstTitle = "VexaSilence";
constexpr const char* kSilentSound = "./snd.wav";
constexpr int kCheckPeriod_ms = 1000;

// The recorders this companion serves, looked for in this order.
constexpr std::array<const char*, 5> kRecorderTitles = {"Vexa Capture", "Corvane Video", "Ondrel Video Capture",
                                                        "Replicast", "Talvora"};

// Qt buffers X requests; other processes look for our title right after we
// start, so push the window and its title to the server and wait until the
// server has handled them.
void syncWithServer() {
    QCoreApplication::processEvents();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

}  // namespace

SilenceWindow::SilenceWindow(platform::Windows& windows, platform::SoundPlayer& sound)
    : windows_(windows), sound_(sound) {
    timer_.setInterval(kCheckPeriod_ms);
    connect(&timer_, &QTimer::timeout, this, &SilenceWindow::checkRecorders);
}

bool SilenceWindow::start() {
    // One companion per desktop.
    if (windows_.find(kTitle) != 0) return false;

    setWindowTitle(kFirstTitle);
    move(-30000, -30000);
    // A native window that is never shown: found by title, never seen.
    winId();
    setWindowTitle(kTitle);
    syncWithServer();

    // A missing or unreadable sound is not reported: the companion still
    // runs and still ends with the recorders.
    sound_.play(kSilentSound, true);
    timer_.start();
    return true;
}

bool SilenceWindow::recorderRunning() {
    for (const char* title : kRecorderTitles)
        if (windows_.find(title) != 0) return true;
    return false;
}

void SilenceWindow::checkRecorders() {
    if (!recorderRunning()) QCoreApplication::exit(0);
}

void SilenceWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::exit(0);
}

}  // namespace hushloop
