#include "companions/themeflip/MainWindow.h"

#include <xcb/xcb.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>

#include "companions/themeflip/GlassoffTheme.h"

namespace themeflip {

MainWindow::MainWindow() {
    timer_.setInterval(GlassoffTheme::kTimerPeriod_ms);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (theme_ != nullptr) theme_->onTimer();
    });
}

void MainWindow::create() {
    setWindowTitle("Theme");
    // Left 110, top 80, right 720, bottom 500.
    setGeometry(110, 80, 720 - 110, 500 - 80);
    winId();  // the native window exists, never mapped
    setWindowTitle(GlassoffTheme::kWindowTitle);
    // Qt buffers X requests; the recorder looks for our title right after
    // starting us, so wait until the server has handled them.
    QCoreApplication::processEvents();
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* connection = x11->connection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (theme_ != nullptr) theme_->end(0);
    QCoreApplication::exit(0);
}

}  // namespace themeflip
