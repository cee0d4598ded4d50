#include "ui/SetupDlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <array>

#include "app/AppContext.h"
#include "app/MonitorDetection.h"
#include "app/SettingsStore.h"
#include "capture/VideoDlg.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/DialogControls.h"
#include "platform/desktop/Display.h"
#include "platform/shell/Launcher.h"
#include "targets/WindowTracker.h"
#include "ui/AboutDlg.h"
#include "ui/MonitorChoice.h"
#include "ui/MonitorDlg.h"
#include "ui/SetupHost.h"
#include "ui/SetupRules.h"
#include "ui/WebAddresses.h"

namespace talvora {

namespace {

constexpr int kRecordVideo = 1166;
constexpr int kRecordAudio = 1222;
constexpr int kVideoSettings = 1208;
constexpr int kAudioSetup = 1209;
constexpr int kConvertMp4 = 1167;
constexpr int kExtractMp3 = 1224;
constexpr std::array<int, 3> kHotkeyEditIds{1251, 123, 1174};
constexpr int kAltButton = 3;
constexpr int kCtrlButton = 5;
constexpr int kShiftButton = 4;
constexpr int kDurationNote = 1205;
constexpr int kDuration = 1170;
constexpr int kScale = 1172;
constexpr int kWindowsVersion = 1229;
constexpr int kProgramVersionText = 1230;

constexpr int kWidthDlu = 238;
constexpr int kHeightDlu = 310;
constexpr int kRebuildWait_ms = 250;

QAction* addCommand(QMenu* menu, const char* text, int id, bool checkable = false) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setCheckable(checkable);
    return action;
}

}  // namespace

SetupDlg::SetupDlg(AppContext& ctx, SettingsStore& store, SetupHost& host, QWidget* parent)
    : QDialog(parent), ctx_(ctx), store_(store), host_(host) {
    setWindowTitle("Settings");
    setFont(platform::dialogFont());
    buildMenu();
    const int barHeight = menuBar_->sizeHint().height();
    const QSize client = platform::dialogSize(kWidthDlu, kHeightDlu);
    menuBar_->setGeometry(0, 0, client.width(), barHeight);
    auto* area = new QWidget(this);
    area->setGeometry(0, barHeight, client.width(), client.height());
    setFixedSize(client.width(), client.height() + barHeight);
    buildControls(area);

    Settings& s = ctx_.settings;
    duration_->setText(QString::fromStdString(DurationEditText(s.maxFileTime)));
    scale_->setText(QString::number(s.size));
    if (s.audioOnly != 0) {
        s.videoOnly = 0;
        video_->setChecked(false);
        audio_->setChecked(true);
    } else if (s.videoOnly != 0) {
        s.audioOnly = 0;
        video_->setChecked(true);
        audio_->setChecked(false);
    } else {
        video_->setChecked(true);
        audio_->setChecked(true);
    }
    const std::array<const std::string*, 3> hotkeys{&s.hotkey1, &s.hotkey2, &s.hotkey3};
    for (std::size_t i = 0; i < hotkeys.size(); ++i)
        if (hotkeys[i]->find('+') != std::string::npos)
            hotkeyEdits_[i]->setText(QString::fromLatin1(HotkeyDisplayText(*hotkeys[i]).c_str()));
    mp4_->setChecked(s.convertMP4 != 0);
    mp3_->setChecked(s.convertMP3 != 0);
    setWindowFlag(Qt::WindowStaysOnTopHint, s.onTop != 0);
    updateMenuState();
}

void SetupDlg::buildMenu() {
    menuBar_ = new QMenuBar(this);
    QMenu* capture = menuBar_->addMenu("&Capture");
    addCommand(capture, "Enable tracking &windows", kEnableTracking, true);
    addCommand(capture, "Track Z&oom window", kTrackZoom, true);
    addCommand(capture, "Track &Google window", kTrackGoogle, true);
    capture->addSeparator();
    addCommand(capture, "&Marked region", kMarkedRegion, true);
    addCommand(capture, "&Full screen ", kFullScreen, true);
    capture->addSeparator();
    addCommand(capture, "Select &Monitor", kSelectMonitor);
    addCommand(capture, "Reset mar&kers", kResetMarkers);
    QMenu* options = menuBar_->addMenu("&Options");
    addCommand(options, "Enable &tracking meet windows", kEnableTracking, true);
    addCommand(options, "Show cloned &video", kShowClonedVideo, true);
    addCommand(options, "C&apture cursor", kCaptureCursor, true);
    addCommand(options, "Set on &top", kSetOnTop, true);
    addCommand(options, "Disable Windows 7 &Aero", kDisableAero);
    options->addSeparator();
    addCommand(options, "&Restore defaults", kRestoreDefaults);
    QMenu* help = menuBar_->addMenu("&Help");
    addCommand(help, "&User guide (web)", kUserGuide);
    addCommand(help, "&Website", kWebSite);
    help->addSeparator();
    addCommand(help, "&About", kAbout);
    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) { onCommand(action->data().toInt()); });
}

void SetupDlg::buildControls(QWidget* c) {
    video_ = platform::placeControl(new platform::ManualCheckBox(" Record video", c), kRecordVideo, 14, 10, 90, 10);
    audio_ = platform::placeControl(new platform::ManualCheckBox(" Record audio", c), kRecordAudio, 14, 26, 90, 10);
    auto* videoSettings = platform::placeControl(new QPushButton("Video Settings", c), kVideoSettings, 134, 8, 90, 14);
    auto* audioSetup = platform::placeControl(new QPushButton("Audio Setup", c), kAudioSetup, 134, 25, 90, 14);
    mp4_ = platform::placeControl(new QCheckBox("Convert to MP4", c), kConvertMp4, 14, 48, 100, 10);
    mp3_ = platform::placeControl(new QCheckBox(" Extract audio (MP3)", c), kExtractMp3, 120, 48, 104, 10);

    platform::placeControl(new QLabel("Hotkeys", c), 0, 14, 68, 100, 9);
    const std::array<const char*, 3> captions{"Start / Stop Recording", "Pause recording", "Mute microphone"};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const int top = 82 + static_cast<int>(i) * 17;
        platform::placeControl(new QLabel(captions[i], c), 0, 14, top + 2, 96, 9);
        hotkeyEdits_[i] = platform::placeControl(new QLineEdit(c), kHotkeyEditIds[i], 112, top, 70, 13);
        hotkeyEdits_[i]->installEventFilter(this);
    }
    auto* alt = platform::placeControl(new QPushButton("ALT", c), kAltButton, 14, 136, 40, 14);
    auto* ctrl = platform::placeControl(new QPushButton("CTRL", c), kCtrlButton, 58, 136, 40, 14);
    auto* shift = platform::placeControl(new QPushButton("SHIFT", c), kShiftButton, 102, 136, 40, 14);

    auto* note = platform::placeControl(
        new QLabel("Enter recording duration below (hh:mm:ss).\r\nLeave blank for unlimited time.", c), kDurationNote,
        14, 160, 210, 18);
    note->setWordWrap(true);
    duration_ = platform::placeControl(new QLineEdit(c), kDuration, 14, 181, 70, 13);
    duration_->setMaxLength(99);

    platform::placeControl(new QLabel("Recorder window size", c), 0, 14, 206, 96, 9);
    scale_ = platform::placeControl(new QLineEdit(c), kScale, 112, 204, 34, 13);
    scale_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,10}"), scale_));
    platform::placeControl(new QLabel("%   (50 to 250)", c), 0, 150, 206, 74, 9);

    // The version text names this system in full: it may take two lines.
    auto* windowsVersion = new QLabel(QString::fromStdString(ctx_.environment.versionText), c);
    windowsVersion->setWordWrap(true);
    platform::placeControl(windowsVersion, kWindowsVersion, 14, 230, 210, 18);
    platform::placeControl(
        new QLabel(QString::fromStdString(platform::format("Talvora version: %s", kProgramVersion)), c),
        kProgramVersionText, 14, 252, 210, 9);

    auto* ok = platform::placeControl(new QPushButton("OK", c), platform::kIdOk, 66, 286, 50, 14);
    auto* cancel = platform::placeControl(new QPushButton("Cancel", c), platform::kIdCancel, 122, 286, 50, 14);
    ok->setDefault(true);

    connect(video_, &QCheckBox::clicked, this, [this] {
        const RecordWhat now = ClickRecordVideo({video_->isChecked(), audio_->isChecked()});
        video_->setChecked(now.video);
        audio_->setChecked(now.audio);
    });
    connect(audio_, &QCheckBox::clicked, this, [this] {
        const RecordWhat now = ClickRecordAudio({video_->isChecked(), audio_->isChecked()});
        video_->setChecked(now.video);
        audio_->setChecked(now.audio);
    });
    connect(alt, &QPushButton::clicked, this, [this] { putModifier("ALT+"); });
    connect(ctrl, &QPushButton::clicked, this, [this] { putModifier("CTRL+"); });
    connect(shift, &QPushButton::clicked, this, [this] { putModifier("SHIFT+"); });
    connect(videoSettings, &QPushButton::clicked, this, [this] {
        VideoDlg dialog(ctx_, store_, this);
        dialog.exec();
    });
    connect(audioSetup, &QPushButton::clicked, this, [this] {
        SetupHost& host = host_;
        host.runAudioSetup();
        host.closeSettings();
    });
    connect(ok, &QPushButton::clicked, this, &SetupDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &SetupDlg::reject);
}

bool SetupDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        for (int i = 0; i < 3; ++i)
            if (watched == hotkeyEdits_[i]) trackedEdit_ = i + 1;
    return QDialog::eventFilter(watched, event);
}

void SetupDlg::putModifier(const char* word) {
    if (trackedEdit_ == 0) return;
    hotkeyEdits_[trackedEdit_ - 1]->setText(word);
    trackedEdit_ = 0;
}

QAction* SetupDlg::menuEntry(int id) const {
    for (QAction* action : menuBar_->findChildren<QAction*>())
        if (action->data().toInt() == id) return action;
    return nullptr;
}

void SetupDlg::updateMenuState() {
    const Settings& s = ctx_.settings;
    const WindowTracker& tracker = host_.tracker();
    const bool tracking = s.autoMark != 0 && s.fullScreen == 0 && s.marked == 0;
    const bool canMark = host_.canMarkRegion();
    for (QAction* action : menuBar_->findChildren<QAction*>()) {
        switch (action->data().toInt()) {
            case kEnableTracking: action->setChecked(tracking); break;
            case kTrackZoom: action->setChecked(tracker.zoomMode()); break;
            case kTrackGoogle: action->setChecked(tracker.googleMode()); break;
            case kShowClonedVideo: action->setChecked(s.showVideo != 0); break;
            case kSetOnTop: action->setChecked(s.onTop != 0); break;
            case kCaptureCursor: action->setChecked(s.cursor != 0); break;
            case kMarkedRegion:
                action->setChecked(s.marked != 0 && s.fullScreen == 0);
                action->setEnabled(canMark);
                break;
            case kResetMarkers: action->setEnabled(canMark); break;
            case kFullScreen: action->setChecked(s.fullScreen != 0); break;
            case kDisableAero:
                action->setEnabled(!ctx_.environment.notWindows7 && !ctx_.environment.windows10);
                if (action->isEnabled())
                    action->setText(s.basic == 1 ? "Don't disable Windows 7 Aero"
                                                 : "Disable Windows 7 Aero (recommended)");
                break;
            default: break;
        }
    }
}

void SetupDlg::onCommand(int id) {
    const bool marking = host_.markingState() != 0;
    WindowTracker& tracker = host_.tracker();
    switch (id) {
        case kEnableTracking:
            tracker.EnableTracking(TrackingCommandSource::SettingsDialog);
            updateMenuState();
            break;
        case kShowClonedVideo: toggleClonedVideo(); break;
        case kResetMarkers:
            if (host_.canMarkRegion()) resetMarkers();
            break;
        case kRestoreDefaults:
            if (!marking && !ctx_.recording) restoreDefaults();
            break;
        case kSelectMonitor: selectMonitor(); break;
        case kSetOnTop: setOnTop(); break;
        case kDisableAero:
            if (!ctx_.environment.notWindows7 && !ctx_.environment.windows10) disableAero();
            break;
        case kTrackZoom: tracker.TrackZoomWindow([this] { updateMenuState(); }); break;
        case kTrackGoogle: tracker.TrackGoogleWindow([this] { updateMenuState(); }); break;
        case kMarkedRegion:
            if (host_.canMarkRegion()) markedRegion();
            break;
        case kCaptureCursor: flipCursor(); break;
        case kFullScreen: {
            SetupHost& host = host_;
            if (ctx_.settings.fullScreen != 0) {
                tracker.EnableTracking(TrackingCommandSource::SettingsDialog);
                updateMenuState();
            } else {
                tracker.ApplyFullScreenRect();
            }
            host.closeSettings();
            break;
        }
        case kUserGuide:
        case kWebSite:
            if (!marking)
                ctx_.platform.launcher.execute("open", id == kUserGuide ? kUserGuideAddress : kWebSiteAddress, "",
                                               platform::ShowState::Normal);
            break;
        case kAbout: {
            AboutDlg about(this);
            about.exec();
            break;
        }
        default: break;
    }
}

void SetupDlg::toggleClonedVideo() {
    Settings& s = ctx_.settings;
    // The preview only stops while it is still switched on.
    if (s.showVideo != 0) host_.restartPreview();
    s.showVideo = s.showVideo != 0 ? 0 : 1;
    if (s.showVideo != 0) host_.restartPreview();
    store_.write();
    updateMenuState();
}

void SetupDlg::resetMarkers() {
    ResetMarkerRect(ctx_);
    store_.write();
    host_.markRegion();
}

void SetupDlg::markedRegion() {
    Settings& s = ctx_.settings;
    if (s.marked != 0) {
        host_.tracker().EnableTracking(TrackingCommandSource::SettingsDialog);
        updateMenuState();
        return;
    }
    SetupHost& host = host_;
    host.stopTimer();
    host.tracker().clearMeetingModes();
    s.autoMark = 0;
    s.fullScreen = 0;
    s.marked = 1;
    store_.write();
    ResetMarkerRect(ctx_);
    store_.write();
    updateMenuState();
    resetMarkers();
    host.startTimer();
    host.closeSettings();
}

void SetupDlg::restoreDefaults() {
    if (ctx_.platform.messageBox.show("Talvora will close after this\n\nContinue?", platform::MessageButtons::YesNo) !=
        platform::IDYES)
        return;
    store_.restoreDefaults();
    host_.closeProgram();
}

void SetupDlg::selectMonitor() {
    platform::Display& display = ctx_.platform.display;
    SetupHost& host = host_;
    MonitorDlg dialog(ctx_, store_, display.screenWidth(), display.screenHeight(), host.canMarkRegion(), this);
    const int result = dialog.exec();
    if (result == MonitorDlg::kResetMarkers) {
        host.markRegion();
    } else if (result == QDialog::Accepted) {
        host.restartPreview();
        DetectMonitors(ctx_, store_);
        MoveCaptureRectToMonitor(ctx_);
        store_.write();
        host.restartPreview();
    }
    host.closeSettings();
}

void SetupDlg::setOnTop() {
    Settings& s = ctx_.settings;
    s.onTop = s.onTop != 0 ? 0 : 1;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, s.onTop != 0);
    if (shown) show();  // changing the flags hides a window
    updateMenuState();
    store_.write();
}

void SetupDlg::disableAero() {
    Settings& s = ctx_.settings;
    s.basic = s.basic != 0 ? 0 : 1;
    updateMenuState();
    store_.write();
    if (ctx_.platform.messageBox.show("This option requires restart.\n\nClose program now?",
                                      platform::MessageButtons::YesNo) == platform::IDYES)
        host_.closeProgram();
}

void SetupDlg::flipCursor() {
    Settings& s = ctx_.settings;
    s.cursor = s.cursor != 0 ? 0 : 1;
    store_.write();
    updateMenuState();
    if (s.showVideo != 0) host_.restartPreview();
}

void SetupDlg::tickRecordAudio() { audio_->setChecked(true); }

bool SetupDlg::readDuration() {
    Settings& s = ctx_.settings;
    const DurationEntry entry = ReadDuration(duration_->text().toStdString());
    if (entry.refused) {
        ctx_.platform.messageBox.show("Incorrect time format. Use hh:mm:ss or leave the box blank.");
        return false;
    }
    if (entry.overDay &&
        ctx_.platform.messageBox.show("Recording time is greater than 24 hours or incorrect time format.\n\nContinue?",
                                      platform::MessageButtons::YesNo) == platform::IDNO)
        return false;
    s.maxFileTime = entry.seconds;
    return true;
}

void SetupDlg::storeHotkeys() {
    Settings& s = ctx_.settings;
    const std::array<std::string*, 3> settings{&s.hotkey1, &s.hotkey2, &s.hotkey3};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const std::string stored = HotkeySettingFromEdit(hotkeyEdits_[i]->text().toStdU16String());
        if (!stored.empty()) *settings[i] = stored;
    }
}

void SetupDlg::storeRecordWhat() {
    Settings& s = ctx_.settings;
    if (s.videoOnly != 0 && s.audioOnly != 0) {
        s.videoOnly = s.audioOnly = 0;
        video_->setChecked(true);
        audio_->setChecked(true);
    }
    if (video_->isChecked() && audio_->isChecked()) {
        s.videoOnly = s.audioOnly = 0;
    } else if (video_->isChecked()) {
        s.videoOnly = 1;
        s.audioOnly = 0;
    } else if (audio_->isChecked()) {
        s.audioOnly = 1;
        s.videoOnly = 0;
    }
}

void SetupDlg::accept() {
    Settings& s = ctx_.settings;
    if (!readDuration()) return;
    storeHotkeys();
    storeRecordWhat();
    s.convertMP4 = mp4_->isChecked() ? 1 : 0;
    s.convertMP3 = mp3_->isChecked() ? 1 : 0;
    if (s.autoMark != 0 || s.fullScreen != 0) s.marked = 0;
    store_.write();
    host_.registerHotkeys({ParseHotkey(s.hotkey1), ParseHotkey(s.hotkey2), ParseHotkey(s.hotkey3)});

    const std::optional<int> scale = ReadScale(scale_->text().toStdString());
    if (!scale) {
        ctx_.platform.messageBox.show("Scale factor must between 100 and 250");
        return;
    }
    if (s.autoMark == 0) host_.tracker().clearMeetingModes();
    // The dialog is freed after this handler: only locals from here on.
    SetupHost& host = host_;
    AppContext& ctx = ctx_;
    host.closeSettings();
    if (*scale == ctx.settings.size) return;
    ctx.platform.pump.pump(kRebuildWait_ms);
    host.rebuildRecorder(*scale);
}

void SetupDlg::reject() { host_.closeSettings(); }

}  // namespace talvora
