#include "ui/WinDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextEdit>

#include "app/FilterRegistration.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "app/WindowsVersion.h"
#include "audio/SilenceCompanion.h"
#include "library/Conversions.h"
#include "library/RecordingPlayback.h"
#include "platform/audio/AudioSystem.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/DialogUnits.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/shell/Folders.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/PathMapping.h"
#include "ui/MaxiClientArea.h"
#include "ui/MessageDlg.h"
#include "ui/MonitorChoice.h"
#include "ui/RecorderMenus.h"
#include "ui/RecorderPlacement.h"
#include "ui/ThemeCompanion.h"
#include "ui/WebAddresses.h"

namespace talvora {

namespace {
constexpr int kMiniWidthDlu = 138;
constexpr int kMiniHeightDlu = 90;
constexpr int kMaxiWidthDlu = 339;
constexpr int kMaxiHeightDlu = 146;
const QColor kStatusBackground(1, 160, 208);
}  // namespace

QSize WinDlg::unscaledSize(Layout layout) {
    const bool mini = layout == Layout::Mini;
    return {platform::dialogUnitsToPixelsX(mini ? kMiniWidthDlu : kMaxiWidthDlu),
            platform::dialogUnitsToPixelsY(mini ? kMiniHeightDlu : kMaxiHeightDlu)};
}

WinDlg::WinDlg(AppContext& ctx, SettingsStore& store, RecorderServices services, Layout layout)
    : QWidget(nullptr),
      ctx_(ctx),
      store_(store),
      layout_(layout),
      toolkit_(services.registry, ctx.platform.log, services.propertyPages),
      mpeg2_(ctx, toolkit_),
      tracker_(ctx, store, *this),
      graph_(ctx, store, toolkit_, services.registry, *this),
      preview_(ctx, toolkit_, services.registry, *this),
      coreAudio_(ctx, services.audio, [this] { closeProgram(); }),
      windows_(services.windows),
      audio_(services.audio),
      screen_(services.screen) {
    // "MINI" is a borderless tool window; "MAXI" draws its own title bar too.
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (layout == Layout::Mini) flags |= Qt::Tool;
    setWindowFlags(flags);
    setWindowTitle("Talvora");
    place();

    session_ = std::make_unique<RecordingSession>(ctx_, store_, graph_, tracker_, *this, services.screen);
    hotkeys_ = std::make_unique<HotkeyRegistration>(ctx_, services.hotkeys, [this] { session_->muteToggle(); });
    graph_.setMpeg2Path(&mpeg2_);
    graph_.createGraph();
    ctx_.platform.messages.listen(static_cast<platform::WindowId>(winId()),
                                  [this](platform::MessageId m, std::intptr_t w, std::intptr_t l) { onMessage(m, w, l); });
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &WinDlg::tick);
    if (layout_ == Layout::Maxi) buildMaxiLayout();
    updateMenuState();
    if (layout_ == Layout::Maxi) return;  // it has no controls, no status line and no timer

    buildMiniLayout();
    DetectWindowsVersion(ctx_);
    DetectMonitors(ctx_, store_);
    setWindowTitle("Talvora");
    ctx_.settings.setTopWindow = 1;
    showStatus("Welcome...");
    setWindowFlag(Qt::WindowStaysOnTopHint, ctx_.settings.onTop != 0);
    if (ctx_.environment.notWindows7) ctx_.settings.basic = 0;
    if (ctx_.settings.fullScreen != 0) tracker_.ApplyFullScreenRect();
    timer_.start();
}

WinDlg::~WinDlg() {
    // A rebuild for a new scale destroys the window while the program goes on.
    ctx_.platform.messages.listen(recorderWindow(), {});
}

void WinDlg::place() {
    scale_ = RecorderInterfaceScale(ctx_.settings.size, ctx_.scales.layoutMultiplier);
    const QSize base = unscaledSize(layout_);
    const platform::Rect& desktop = ctx_.environment.desktopRect;
    const platform::Rect r = PlaceRecorderWindow(ctx_.settings.position, scale_, base.width(), base.height(),
                                                 desktop.right, desktop.bottom, ctx_.environment.taskbarHeight);
    setGeometry(r.left, r.top, r.width(), r.height());
}

void WinDlg::buildMaxiLayout() {
    // The template's size is the client area's; the menu bar comes on top.
    menuBar_ = makeRecorderMenuBar(this);
    const int barHeight = menuBar_->sizeHint().height();
    const QSize client = size();
    menuBar_->setGeometry(0, 0, client.width(), barHeight);
    maxi_ = new MaxiClientArea(scale_, this);
    maxi_->setGeometry(0, barHeight, client.width(), client.height());
    maxi_->setAttribute(Qt::WA_NativeWindow);  // the cloned video's parent window
    resize(client.width(), client.height() + barHeight);
    enableCommands(menuBar_, windows_);
    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) { onCommand(commandOf(action)); });
    connect(maxi_, &MaxiClientArea::closeClicked, this, &WinDlg::closeProgram);
    connect(maxi_, &MaxiClientArea::minimizeClicked, this, &WinDlg::hideRecorder);
    connect(maxi_, &MaxiClientArea::dragFinished, this, &WinDlg::storePosition);
}

void WinDlg::updateMenuState() {
    if (menuBar_ == nullptr) return;
    checkCommand(menuBar_, command::kShowClonedVideo, ctx_.settings.showVideo != 0);
    checkCommand(menuBar_, command::kFullScreen, ctx_.settings.fullScreen != 0);
}

QPixmap WinDlg::scaledPicture(const char* file, const char* scaledFile, int width, int height) {
    const std::string folder = store_.dataFolder();
    const std::string parameters =
        // Quiet: the program's terminal gets no banner and no report of ffmpeg's.
        platform::format(" -hide_banner -loglevel error -y -i \"%s\" -vf scale=%d:%d -update 1 \"%s\"",
                         platform::paths::join(folder, file).c_str(), width, height,
                         platform::paths::join(folder, scaledFile).c_str());
    if (!ctx_.platform.launcher.execute("open", ".\\ffmpeg.exe", parameters, platform::ShowState::Minimized)) {
        ctx_.platform.log.append(platform::format("Cannot find or open file %s", "ffmpeg"));
        return {};
    }
    ctx_.platform.pump.pump(1000);
    return QPixmap(QString::fromStdString(platform::paths::join(folder, scaledFile)));
}

QPushButton* WinDlg::titleButton(const char* picture, int left, int width, int bottom) {
    auto* button = new QPushButton(this);
    const int top = static_cast<int>(scale_ * static_cast<int>(3.5 * scale_));
    button->setGeometry(left, top, width, bottom - top);
    button->setFlat(true);
    button->setIcon(QPixmap(QString(":/pictures/") + picture));
    button->setIconSize(button->size());
    return button;
}

void WinDlg::buildMiniLayout() {
    const int W = width();
    const int H = height();
    const double s = scale_;
    stripHeight_ = static_cast<int>(30 * s);
    buttonRowHeight_ = H / 7;

    auto* strip = new QLabel(this);
    strip->setGeometry(0, 0, W, stripHeight_);
    strip->setPixmap(scaledPicture("bitmap7_goog.bmp", "bitmap7_rsc_goog.bmp", W, stripHeight_));

    const int button = static_cast<int>(17 * s);
    auto* close = titleButton("top_close", W - 2 - button, button, static_cast<int>(22 * s));
    auto* minimize = titleButton("top_mini", W - 2 - 2 * button, button, static_cast<int>(22 * s));
    auto* audioSetup = titleButton("mic_on1", W - 2 * button - 55, 50, static_cast<int>(23 * s));
    mic_ = titleButton("mic_on", W - 2 * button - 84, 24, static_cast<int>(22 * s));
    const auto sends = [this](QPushButton* b, int id) {
        connect(b, &QPushButton::clicked, this, [this, id] { onCommand(id); });
    };
    sends(close, command::kClose);
    sends(minimize, command::kMinimize);
    sends(mic_, command::kMicrophone);
    sends(audioSetup, command::kAudioSetup);
    audioSetup->setEnabled(commandAvailable(command::kAudioSetup, windows_));

    QFont font("Sans Serif");
    font.setPixelSize(std::max(1, H / 16));
    const int b = static_cast<int>(W / 3.973);
    const int rowTop = stripHeight_;
    auto rowButton = [&](const char* text, int left, int right) {
        auto* btn = new QPushButton(text, this);
        btn->setFont(font);
        btn->setGeometry(left, rowTop, right - left, buttonRowHeight_);
        return btn;
    };
    auto* settingsButton = rowButton("&SETTINGS", 0, b);
    record_ = rowButton("RECORD", b + 1, 2 * b);
    play_ = rowButton("&PLAY", 2 * b + 1, 3 * b);
    auto* mark = rowButton("&MARK", 3 * b + 1, W);
    settingsButton->setToolTip("Open settings");
    record_->setToolTip("Start/Stop recording");
    play_->setToolTip("View recordings");
    mark->setToolTip("Mark video window manually");
    settingsButton->setEnabled(commandAvailable(command::kSettings, windows_));
    sends(settingsButton, command::kSettings);
    sends(record_, command::kRecord);
    sends(play_, command::kPlay);
    sends(mark, command::kMark);

    const int rowBottom = rowTop + buttonRowHeight_;
    auto* background = new QLabel(this);
    background->setGeometry(0, rowBottom, W, H - rowBottom);
    background->setPixmap(scaledPicture("Front.bmp", "Front_rsc.bmp", W, H - rowBottom));
    background->lower();

    status_ = new QTextEdit(this);
    status_->setReadOnly(true);
    status_->setFrameStyle(QFrame::NoFrame);
    status_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status_->setGeometry(0, H - H / 10, W, H / 10);
    status_->setFont(font);
    statusPixels_ = font.pixelSize();
    QPalette palette = status_->palette();
    palette.setColor(QPalette::Base, kStatusBackground);
    palette.setColor(QPalette::Text, Qt::white);
    status_->setPalette(palette);
}

void WinDlg::popUpMenu(QMenu* menu) {
    const std::unique_ptr<QMenu> owned(menu);
    enableCommands(menu, windows_);
    onCommand(commandOf(menu->exec(QCursor::pos() - QPoint(0, 10))));
}

void WinDlg::onCommand(int id) {
    if (!commandAvailable(id, windows_)) return;  // its entry is greyed
    const bool marking = markingState() != 0;
    switch (id) {
        case command::kRecord: session_->startStopToggle(); break;
        case command::kPlay:
            if (!session_->started()) popUpMenu(makePlayMenu(this));
            break;
        case command::kMark:
            if (!session_->started() && !ctx_.recording) popUpMenu(makeMarkMenu(this));
            break;
        case command::kClose:
        case command::kExit: closeProgram(); break;
        case command::kMinimize: hideRecorder(); break;
        case command::kMicrophone: session_->muteToggle(); break;
        case command::kSettings:
        case command::kCaptureOptions:
            if (!ctx_.recording && !session_->started() && !marking) windows_.settings->openSettings();
            break;
        case command::kAudioSetup:
            if (!ctx_.recording) windows_.settings->openAudioSetup();
            break;
        case command::kPlayRecordedFile:
            if (ctx_.recording) break;
            closeSettingsDialog();
            if (!session_->lastRecording().empty()) PlayRecording(ctx_, session_->lastRecording());
            else if (windows_.browser != nullptr) windows_.browser->openRecordingsBrowser();
            break;
        case command::kOpenStorageFolder:
            if (!marking) windows_.browser->openRecordingsBrowser();
            break;
        case command::kMarkRegion: windows_.marking->markRegion(); break;
        case kRestoreThemeCommand: RestoreSavedTheme(ctx_, store_); break;
        case command::kMarkEntireScreen: windows_.marking->markEntireScreen(); break;
        case command::kResetMarkers: resetMarkers(); break;
        case command::kSetupStorageFolder: chooseRecordingFolder(); break;
        case command::kEnableTracking: tracker_.EnableTracking(TrackingCommandSource::RecorderMenu); break;
        case command::kShowClonedVideo: toggleClonedVideo(); break;
        case command::kRestoreDefaults:
            if (!marking && !ctx_.recording) restoreDefaults();
            break;
        case command::kBrowserCompanion:
            if (auto roaming = ctx_.platform.folders.roamingAppData(false))
                ctx_.platform.launcher.execute(
                    "open", platform::format("%s\\VexaBrowser\\vexabrowser.exe", roaming->c_str()), "",
                    platform::ShowState::Normal);
            break;
        case command::kUserGuide:
        case command::kWebSite:
            if (!marking)
                ctx_.platform.launcher.execute("open", id == command::kUserGuide ? kUserGuideAddress : kWebSiteAddress,
                                               "", platform::ShowState::Normal);
            break;
        default: break;  // "Set Full screen" and "About" belong to the settings dialog
    }
}

void WinDlg::resetMarkers() {
    ResetMarkerRect(ctx_);
    store_.write();
    windows_.marking->markRegion();
}

void WinDlg::toggleClonedVideo() {
    Settings& s = ctx_.settings;
    // The preview only stops while it is still switched on.
    if (s.showVideo != 0) preview_.restart();
    s.showVideo = s.showVideo != 0 ? 0 : 1;
    if (s.showVideo != 0) preview_.restart();
    store_.write();
    updateMenuState();
}

void WinDlg::chooseRecordingFolder() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QString(), QString::fromStdString(ctx_.settings.recordingFolder));
    if (folder.isEmpty()) return;
    store_.setRecordingFolder(folder.toStdString());
}

void WinDlg::restoreDefaults() {
    if (ctx_.platform.messageBox.show("Talvora will close after this\n\nContinue?", platform::MessageButtons::YesNo) !=
        platform::IDYES)
        return;
    store_.restoreDefaults();
    closeProgram();
}

void WinDlg::onMessage(platform::MessageId message, std::intptr_t wParam, std::intptr_t lParam) {
    const RegisteredMessages& m = ctx_.messages;
    if (message == m.recordStop || message == m.recordPause) session_->onHotkeyRequest(wParam);
    else if (message == m.push) session_->onPushMessage(wParam, lParam);
    else if (message == m.sound) session_->onSoundMessage(wParam, lParam);
    else if (message == m.replicast && wParam == 707 && layout_ == Layout::Maxi) update();
    else if (message == m.systemCommand && platform::isRestoreCommand(wParam)) showRecorderRestored();
    else if (message == m.replicast && windows_.marking != nullptr)
        windows_.marking->OnMotionSearchResult(static_cast<int>(wParam));
}

void WinDlg::tick() {
    if (ticks_ == 0) {
        LogSystemInfo(ctx_);
        StartSilenceCompanion(ctx_);
    }
    if (!initialised_) oneTimeInitialisation();
    tracker_.TrackerTick();
    if (++ticks_ == 3) {
        preview_.setEnabled(true);
        preview_.show();
    }
    session_->recordingStep();
}

void WinDlg::oneTimeInitialisation() {
    initialised_ = true;
    timer_.stop();
    DetectMonitors(ctx_, store_);
    if (platform::failed(preview_.createGraph())) {
        ctx_.platform.messageBox.show("Cannot Initialize DirectX");
    } else {
        store_.setSettingsPath();
        if (store_.read() == 0)
            ctx_.platform.messageBox.show(platform::format("Cannot open file %s", store_.settingsPath().c_str()));
    }
    const Settings& s = ctx_.settings;
    // Without a sound server every audio step below fails too: the user gets
    // its one cause instead of their messages.
    const bool sound = soundServerAnswers();
    if (sound && ctx_.environment.vistaOrLater && s.vistaAudio != 0 && !s.audioSource.empty() &&
        !s.audioSource1.empty()) {
        coreAudio_.CheckSpeakersFormat();
        coreAudio_.CheckMicrophoneFormat();
    }
    update();
    if (sound && s.dualAudio != 0 && s.audioSource1.empty()) askForSecondSource();
    hotkeys_->registerAll(recorderWindow());
    ctx_.settings.setTopWindow = 1;
    tracker_.watcher().start();
    ThemeStartupStep(ctx_, store_);
    ctx_.platform.pump.pump(500);
    restartPreview();
    if (sound && s.dualAudio != 0) {
        if (!s.audioSource1.empty()) coreAudio_.UnmuteSecondSource(s.audioSource1);
        else askForSecondSource();  // once more when none was chosen at the first offer
    }
    ctx_.environment.vlcLocation = ctx_.platform.launcher.findExecutable("vlc");
    timer_.start();
}

void WinDlg::askForSecondSource() {
    // Every start is refused while dual audio has no second source.
    if (windows_.settings != nullptr) windows_.settings->runAudioSetup();
}

bool WinDlg::soundServerAnswers() {
    if (ctx_.settings.videoOnly != 0) return true;
    const platform::AudioStatus answer = audio_.connect();
    if (answer.ok()) return true;
    // Every recording would fail at its start otherwise, with no word why.
    ctx_.platform.log.append(platform::format("Sound server: %s", answer.message.c_str()));
    const std::string text =
        "No sound server answers, so Talvora cannot record sound. Start the desktop's sound server (PulseAudio or "
        "PipeWire), then start Talvora again.";
    showStatus("No sound server answers");
    ctx_.platform.messageBox.show(text);
    return false;
}

void WinDlg::closeProgram() {
    if (ctx_.closing) return;
    // Inside a start or stop's waits the graph is half built or half torn
    // down: the exit path runs once that has finished.
    if (session_->deferExit()) return;
    if (!exitWithoutAsking_ && ctx_.recording &&
        ctx_.platform.messageBox.show("Recording is active. Would you like to close program now?",
                                      platform::MessageButtons::YesNo) == platform::IDNO)
        return;
    timer_.stop();
    ctx_.closing = true;
    hotkeys_->unregisterAll();
    tracker_.watcher().stopAll();
    if (preview_.exists()) preview_.restart();
    session_->stopForExit();
    ctx_.platform.process.exitProcess(0);
}

void WinDlg::endBySignal() {
    // The session is ending (logout, shutdown, kill): nobody is there to
    // answer, and the recording must be finished to be playable.
    exitWithoutAsking_ = true;
    closeProgram();
}

void WinDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeProgram();
}

void WinDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kStatusBackground);
}

void WinDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        QApplication::beep();
        return;
    }
    if (event->button() == Qt::LeftButton && p.x() > 0 && p.x() <= 180 * scale_ && p.y() > 0 &&
        p.y() <= 14 * scale_) {
        dragging_ = true;
        grabMouse();
        dragOrigin_ = event->globalPosition().toPoint() - pos();
    }
}

void WinDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) move(event->globalPosition().toPoint() - dragOrigin_);
}

void WinDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    releaseMouse();
    storePosition();
}

void WinDlg::storePosition() {
    ctx_.settings.position = platform::format("%d,%d", x(), y());
    store_.write();
}

void WinDlg::mouseDoubleClickEvent(QMouseEvent*) { session_->startStopToggle(); }

// SessionUi

void WinDlg::stopTimer() { timer_.stop(); }
void WinDlg::startTimer() { timer_.start(1000); }
void WinDlg::startTimer(int interval_ms) { timer_.start(interval_ms); }

void WinDlg::setRecordCaption(const std::string& text) {
    if (record_ != nullptr) record_->setText(QString::fromStdString(text));
}

void WinDlg::setPlayPauseCaption(const std::string& text) {
    if (play_ != nullptr) play_->setText(QString::fromStdString(text));
}

void WinDlg::setMicPicture(bool muted) {
    if (mic_ != nullptr) mic_->setIcon(QPixmap(muted ? ":/pictures/mic_off" : ":/pictures/mic_on"));
}

void WinDlg::showNote(const std::string& text) {
    // Long enough to be read, short enough that the status comes back soon.
    constexpr std::chrono::seconds kNoteShown{10};
    noteUntil_ = {};
    showStatus(text);
    noteUntil_ = std::chrono::steady_clock::now() + kNoteShown;
}

void WinDlg::showStatus(const std::string& text) {
    if (text.empty() || std::chrono::steady_clock::now() < noteUntil_) return;
    ctx_.statusText = text.substr(0, 2047);
    if (status_ == nullptr) return;
    const QString shown = QString::fromStdString(ctx_.statusText);
    // The line would wrap onto a second line that the control has no room
    // for ("Google Meeting / Zoom windows not detected" at the default size):
    // the font shrinks until it fits, down to a size that can still be read.
    constexpr int kSmallestPixels = 8;
    QFont font = status_->font();
    font.setPixelSize(statusPixels_);
    const qreal room = status_->viewport()->width() - 2 * status_->document()->documentMargin();
    while (font.pixelSize() > kSmallestPixels && QFontMetricsF(font).horizontalAdvance(shown) > room)
        font.setPixelSize(font.pixelSize() - 1);
    status_->setFont(font);
    status_->setPlainText(shown);
}

void WinDlg::hideRecorder() { hide(); }

void WinDlg::closeSettingsDialog() {
    if (windows_.settings != nullptr) windows_.settings->closeSettings();
}

bool WinDlg::audioSetupOpen() { return windows_.settings != nullptr && windows_.settings->audioSetupOpen(); }

int WinDlg::markingState() { return windows_.marking != nullptr ? windows_.marking->markingState() : 0; }

void WinDlg::closeMarkingWindow() {
    if (windows_.marking != nullptr) windows_.marking->closeMarkingWindow();
}

bool WinDlg::converting() { return ctx_.conversions != nullptr && ctx_.conversions->converting(); }

bool WinDlg::regionFrameShown() { return windows_.marking != nullptr && windows_.marking->regionFrameShown(); }

void WinDlg::showRecorderRestored() {
    showNormal();
    raise();
}

void WinDlg::restartPreview() { preview_.restart(); }

bool WinDlg::previewReady() { return preview_.exists() && preview_.active(); }

CaptureTarget WinDlg::captureTarget() {
    return {tracker_.tracked().handle(), tracker_.windowCaptureActive() ? 1 : 0, tracker_.secondMonitorScale()};
}

platform::Rect WinDlg::recorderRect() {
    const QRect g = frameGeometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void WinDlg::showTip(int tip) {
    MessageDlg dialog(ctx_, store_, tip, this);
    dialog.exec();
}

void WinDlg::setTipText(const std::string& text) {
    preview_.restart();
    if (maxi_ != nullptr) maxi_->setTipText(QString::fromStdString(text));
}

bool WinDlg::screenReady() { return screen_ == nullptr || screen_->ready(); }

platform::WindowId WinDlg::videoOwner() {
    return maxi_ != nullptr ? static_cast<platform::WindowId>(maxi_->winId()) : recorderWindow();
}

// RecordingHost

platform::WindowId WinDlg::recorderWindow() { return static_cast<platform::WindowId>(winId()); }
bool WinDlg::startMinimised() { return session_->startMinimised(); }
int WinDlg::pauseState() { return session_->pauseState(); }
void WinDlg::minimiseRecorder() { hide(); }
void WinDlg::clearRecordingFlag() { ctx_.recording = false; }

bool WinDlg::createClonePanel() {
    if (clonePanel_ == nullptr) {
        clonePanel_ = new QWidget(this);
        const ClientLayout l = clientLayout();
        clonePanel_->setGeometry(0, l.stripAndButtons, l.clientWidth + 1,
                                 l.clientHeight - (l.statusHeight + l.stripAndButtons));
        clonePanel_->show();
    }
    return true;
}

void WinDlg::destroyClonePanel() {
    delete clonePanel_;
    clonePanel_ = nullptr;
}

RecordingHost::ClientLayout WinDlg::clientLayout() {
    return {width(), height(), status_ != nullptr ? status_->height() : 0, stripHeight_ + buttonRowHeight_};
}

}  // namespace talvora
