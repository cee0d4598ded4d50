#include "app/MainWindow.h"

#include <QEvent>
#include <QIcon>
#include <algorithm>

#include "app/FilterRegistration.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "app/WindowsVersion.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/Display.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/PathMapping.h"
#include "ui/SplashDlg.h"
#include "ui/WinDlg.h"

namespace talvora {

namespace {

// How long the window manager has to minimise the frame.
constexpr int kMinimiseAnswerMs = 2000;

}  // namespace

MainWindow::MainWindow(AppContext& ctx, SettingsStore& store, RecorderServices services)
    : QWidget(nullptr), ctx_(ctx), store_(store), services_(services) {
    setWindowTitle("Talvora");
    // Far off the screen and never shown; winId() makes it a real window.
    // Its fixed size lets a tiling window manager, which does not minimise
    // it, float it rather than give it the screen.
    setGeometry(-32000, -32000, 1, 1);
    setFixedSize(1, 1);
    winId();
    // "screen capture message" is answered and otherwise ignored.
    ctx_.platform.messages.listen(static_cast<platform::WindowId>(winId()),
                                  [this](platform::MessageId message, std::intptr_t wParam, std::intptr_t) {
                                      if (message == ctx_.messages.systemCommand) onSystemCommand(wParam);
                                  });

    SplashDlg splash([&ctx] { RegisterFilters(ctx); });
    splash.exec();

    store_.setSettingsPath();
    store_.read();
    setWindowTitle("Talvora");
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &MainWindow::firstTick);
    timer_.start();
}

MainWindow::~MainWindow() = default;

void MainWindow::firstTick() {
    if (ticked_) return;
    ticked_ = true;
    timer_.stop();

    DetectWindowsVersion(ctx_);
    showInTaskbar();
    DetectMonitors(ctx_, store_);
    ctx_.environment.verticalDpi = ctx_.platform.display.verticalDpi();
    checkDisplays();

    ctx_.platform.pump.pump(1000);
    startRestoreProgram();

    recorder_ = std::make_unique<WinDlg>(ctx_, store_, services_,
                                         ctx_.settings.miniClone != 0 ? WinDlg::Layout::Mini : WinDlg::Layout::Maxi);
    recorder_->show();
}

void MainWindow::showInTaskbar() {
    showMinimized();
    // A window manager that cannot minimise (a tiling one) leaves the frame
    // on the screen, where recordings would show it; such a desktop has no
    // taskbar for it either.
    QTimer::singleShot(kMinimiseAnswerMs, this, [this] {
        if (ctx_.platform.windows.isVisible(static_cast<platform::WindowId>(winId()))) hide();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(QIcon(":/pictures/mic_on1"), this);
    tray_->setToolTip("Talvora");
    connect(tray_, &QSystemTrayIcon::activated, this, [this] { onSystemCommand(platform::kRestoreCommand); });
    tray_->show();
}

void MainWindow::onSystemCommand(std::intptr_t command) {
    if (platform::isRestoreCommand(command) && recorder_ != nullptr) recorder_->showRecorderRestored();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The frame itself never shows: restoring it from the taskbar restores
    // the recorder window instead.
    if (event->type() == QEvent::WindowStateChange && ticked_ && !isMinimized() && isVisible()) {
        QTimer::singleShot(0, this, [this] { showMinimized(); });
        onSystemCommand(platform::kRestoreCommand);
    }
}

void MainWindow::endBySignal() {
    if (recorder_ != nullptr) recorder_->endBySignal();
    else ctx_.platform.process.exitProcess(0);
}

void MainWindow::rebuildRecorderWindow(int percent) {
    // While the waits below run there is no recorder window: a second
    // request then finds none and does nothing.
    if (!recorder_) return;
    const WinDlg::Layout layout = recorder_->layout();
    recorder_->stopTimer();
    // The system releases a destroyed window's hotkeys; here they go with it
    // explicitly, so that the new window can register all three again.
    recorder_->hotkeys().unregisterAll();
    recorder_->tracker().watcher().stopAll();
    const bool previewRan = recorder_->previewGraph().active();
    const int showVideo = ctx_.settings.showVideo;
    if (previewRan) {
        recorder_->restartPreview();
        ctx_.settings.showVideo = 0;
    }
    recorder_.reset();
    ctx_.platform.pump.pump(1000);
    ctx_.platform.pump.pump(1000);

    ctx_.settings.size = std::min(percent, 250);
    store_.write();
    recorder_ = std::make_unique<WinDlg>(ctx_, store_, services_, layout);
    if (previewRan) ctx_.settings.showVideo = showVideo;
    recorder_->show();
}

void MainWindow::checkDisplays() {
    LaunchSwitches& sw = ctx_.switches;
    platform::Display& display = ctx_.platform.display;
    platform::MessageBox& box = ctx_.platform.messageBox;
    if (ctx_.environment.monitorCount >= 2 && sw.w1 == 0 && sw.w2 == 0) {
        box.show("Talvora could not determine your displays resolution. Make sure the file qx.exe was used to start "
                 "the program.");
    } else if (ctx_.environment.monitorCount >= 2 && sw.w2 == 0) {
        box.show("Talvora could not determine your second display resolution. Make sure the file QX.exe was used "
                 "to start the program.");
    } else if (ctx_.environment.monitorCount < 2 && sw.w1 == 0) {
        sw.x1 = sw.w1 = display.screenWidth();
        sw.y1 = display.screenHeight();
    }
    ctx_.scales = DisplayScales::compute(display.screenWidth(), sw.w1, ctx_.settings.size,
                                         ctx_.environment.otherMonitorRect.width(), sw.w2);
}

void MainWindow::startRestoreProgram() {
    if (ctx_.platform.windows.find("SceneBack") != 0) return;
    constexpr const char* kRestoreProgram = ".\\sceneback.exe";
    if (ctx_.platform.launcher.execute("open", kRestoreProgram, " -w Talvora", platform::ShowState::Normal)) return;
    constexpr const char* kMissing = "Cannot open or find file sceneback";
    if (platform::paths::windowsOnly(platform::paths::program(kRestoreProgram))) ctx_.platform.log.append(kMissing);
    else ctx_.platform.messageBox.show(kMissing);
}

}  // namespace talvora
