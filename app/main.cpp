// The recorder program: wires the Linux backends into the platform layer and
// runs the application object.
#include <QApplication>
#include <QDBusConnection>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/Replicast.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/TerminalAnswer.h"
#include "library/Conversions.h"
#include "library/FileNotices.h"
#include "library/RecordingsBrowser.h"
#include "platform/audio/linux/PulseAudioSystem.h"
#include "platform/audio/linux/PulseSoundPlayer.h"
#include "platform/composition/linux/X11Composition.h"
#include "platform/core/linux/ExitProcessControl.h"
#include "platform/core/linux/QtMessageBox.h"
#include "platform/core/linux/QtMessagePump.h"
#include "platform/core/linux/TerminationSignals.h"
#include "platform/core/linux/TraceLog.h"
#include "platform/desktop/linux/DbusNotifications.h"
#include "platform/desktop/linux/PortalHotkeys.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11Hotkeys.h"
#include "platform/desktop/linux/X11Session.h"
#include "platform/desktop/ScreenSourceCopy.h"
#include "platform/desktop/linux/PortalScreenSource.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/X11Windows.h"
#include "platform/media/BuiltInFilterModules.h"
#include "platform/media/FilterModules.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/AudioFilters.h"
#include "platform/media/linux/FfmpegLogLevel.h"
#include "platform/media/linux/Mpeg2Filters.h"
#include "platform/media/linux/QtPropertyPages.h"
#include "platform/media/linux/RecordingRepair.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/WriterFilters.h"
#include "platform/shell/PathMapping.h"
#include "platform/shell/linux/FileRegistry.h"
#include "platform/shell/linux/LinuxSystemInfo.h"
#include "platform/shell/linux/PosixLauncher.h"
#include "platform/shell/linux/UnrtfRichText.h"
#include "platform/shell/linux/XdgFolders.h"
#include "targets/RegionMarker.h"
#include "ui/HotkeyRegistration.h"
#include "ui/RecorderMarkingHost.h"
#include "ui/SettingsDialogs.h"

namespace {

// Where the portal's restore token is kept, beside the settings file.
constexpr const char* kTokenFile = "Screen Cast Token";

// How long the start waits for the portal to say whether it offers global
// shortcuts; one that is not running is started by the bus first.
constexpr int kShortcutsAnswerMs = 5000;

bool waylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

// The recorder's hotkeys as the desktop lists them.
std::map<int, platform::PortalHotkeys::Shortcut> hotkeyShortcuts() {
    using talvora::HotkeyRegistration;
    return {{HotkeyRegistration::kStartStop, {"start-stop", "Start or stop recording"}},
            {HotkeyRegistration::kPause, {"pause", "Pause or resume recording"}},
            {HotkeyRegistration::kMute, {"mute", "Mute or unmute the microphone"}}};
}

}  // namespace

int main(int argc, char** argv) {
    // "--help" and "--version" answer on the terminal, with or without a desktop.
    if (const auto answer = talvora::TerminalAnswer(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    // The recorder is an X11 program: windows are found by title and
    // messages pass between processes through the X server.
    if (const auto problem = platform::x11SessionProblem("Talvora")) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // The recorder ends only through its exit path: closing a menu, a box or
    // the recordings browser while just the recorder's tool window is shown
    // must not quit it.
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(pictures);

    platform::TraceLog log;
    platform::QtMessageBox messageBox("Talvora Message", log);
    platform::QtMessagePump pump;
    platform::ExitProcessControl process;
    platform::XdgFolders folders;
    platform::PosixLauncher launcher;
    platform::FileRegistry registry(platform::paths::registryFile(folders.roamingAppData(false).value_or("")));
    platform::LinuxSystemInfo system;
    platform::X11Windows windows;
    platform::X11WindowMessages messages;
    platform::X11Display display;
    platform::PulseSoundPlayer sound;

    talvora::Platform services{messageBox, log,     pump,     process, folders, launcher,
                               registry,   system,  windows,  messages, display, sound};
    talvora::AppContext ctx(services);

    // The filters are built in: their classes and category entries are known
    // from the start; registering a module marks it registered.
    platform::limitFfmpegLogToErrors();
    platform::PulseAudioSystem audioSystem;
    platform::FilterRegistry filterRegistry;
    const std::optional<std::string> appData = folders.roamingAppData(false);
    const std::string dataFolder =
        appData ? platform::paths::join(*appData, talvora::SettingsStore::kDataFolderName) : std::string();
    // One screen source for the recording, the preview and the motion search:
    // a Wayland desktop gives its screen only through its portal, which asks
    // the user; X11 gives it to any client. The pointer is drawn by the
    // desktop into the portal's stream, as the settings say when it is asked.
    const std::string tokenFile = dataFolder.empty() ? std::string() : platform::paths::join(dataFolder, kTokenFile);
    const bool wayland = waylandSession();
    std::unique_ptr<platform::ScreenSource> screenSource;
    if (wayland)
        screenSource =
            std::make_unique<platform::PortalScreenSource>(tokenFile, [&ctx] { return ctx.settings.cursor == 1; });
    else
        screenSource = std::make_unique<platform::X11ScreenSource>();
    if (!wayland) screenSource->prepare({});
    platform::registerVideoFilters(filterRegistry, *screenSource, log);
    platform::registerAudioFilters(filterRegistry, audioSystem, log);
    // Recordings being written are noted in the data folder, so that one left
    // unfinished by a killed recorder is repaired at the next start.
    const platform::RecordingJournal journal(
        dataFolder.empty() ? std::string() : platform::paths::join(dataFolder, "Unfinished Recordings"));
    platform::registerWriterFilters(filterRegistry, log, &journal);
    platform::registerMpeg2Filters(filterRegistry, log, &journal);
    platform::FilterModules filterModules;
    platform::addBuiltInFilterModules(filterModules);
    launcher.addBuiltIn("regsvr32",
                        [&](const std::vector<std::string>& args) { return filterModules.registerServer(args); });

    ctx.messages = talvora::RegisteredMessages::registerAll(messages);

    talvora::SettingsStore store(ctx);
    platform::QtPropertyPages propertyPages;
    // The marking, the conversions and the browser are made before the
    // recorder window they report to; it is looked up each time, as it may be
    // rebuilt.
    talvora::Replicast* application = nullptr;
    const auto recorder = [&application]() -> talvora::WinDlg* {
        const talvora::MainWindow* frame = application != nullptr ? application->mainWindow() : nullptr;
        return frame != nullptr ? frame->recorderWindow() : nullptr;
    };
    // X11 key grabs see the keys only while an X11 window has the focus; on
    // a Wayland desktop the portal's global shortcuts see them everywhere.
    const bool portalHotkeys =
        wayland && platform::PortalHotkeys::offered(QDBusConnection::sessionBus(), kShortcutsAnswerMs);
    std::unique_ptr<platform::Hotkeys> hotkeys;
    if (portalHotkeys)
        hotkeys = std::make_unique<platform::PortalHotkeys>(hotkeyShortcuts(), [&recorder](const QString& why) {
            if (talvora::WinDlg* w = recorder())
                w->showStatus("The desktop did not take the hotkeys (" + why.toStdString() + ")");
        });
    else
        hotkeys = std::make_unique<platform::X11Hotkeys>();
    talvora::RecorderMarkingHost markingHost(recorder);
    platform::ScreenSourceCopy screenCopy(*screenSource);
    talvora::RegionMarker marking(ctx, store, markingHost, screenCopy);
    // Where finished files went, told by the desktop; made before the
    // conversions, whose workers tell it until they are joined.
    platform::DbusNotifications notifications;
    talvora::FileNotices notices(ctx, notifications);
    ctx.notices = &notices;
    // The conversions report in the recorder window's status line, on the UI
    // thread.
    talvora::Conversions conversions(ctx, [&](const std::string& text) {
        QMetaObject::invokeMethod(
            &app, [&recorder, text] {
                if (talvora::WinDlg* w = recorder()) w->showStatus(text);
            }, Qt::QueuedConnection);
    });
    conversions.setWatchEnded([&app, &marking] {
        QMetaObject::invokeMethod(&app, [&marking] { marking.resetMarkingState(); }, Qt::QueuedConnection);
    });
    conversions.setBrowserInputTaken([&recorder](const std::string& path) {
        if (talvora::WinDlg* w = recorder()) w->session().replaceLastRecording(path);
    });
    ctx.conversions = &conversions;
    // The file a recording writes: the tracker names it before the start
    // creates it, and the writer finishes it during the stop.
    talvora::RecordingsBrowser browser(ctx, store, conversions, [&recorder] {
        talvora::WinDlg* w = recorder();
        const bool writing = w != nullptr && w->session().state() != talvora::SessionState::Idle;
        return writing ? w->tracker().recordingPath() : std::string();
    });

    talvora::RecorderServices recorderServices{filterRegistry, propertyPages, *hotkeys, audioSystem};
    recorderServices.screen = screenSource.get();
    recorderServices.windows.marking = &marking;
    recorderServices.windows.browser = &browser;
    platform::UnrtfRichText richText;
    talvora::SettingsDialogs settingsDialogs(ctx, store, audioSystem, richText);
    recorderServices.windows.settings = &settingsDialogs;
    talvora::Replicast replicast(ctx, store, recorderServices);
    application = &replicast;
    settingsDialogs.attach({recorder, [&replicast](int percent) {
                                if (talvora::MainWindow* frame = replicast.mainWindow())
                                    frame->rebuildRecorderWindow(percent);
                            }});
    if (!replicast.initInstance(std::vector<std::string>(argv + 1, argv + argc))) return 0;
    // Said once, when the recorder window has come with the frame's first tick.
    QTimer hotkeysNote;
    if (wayland && !portalHotkeys) {
        QObject::connect(&hotkeysNote, &QTimer::timeout, [&recorder, &hotkeysNote] {
            if (talvora::WinDlg* w = recorder()) {
                hotkeysNote.stop();
                w->showNote("Hotkeys work only while an X11 window has the focus");
            }
        });
        hotkeysNote.start(200);
    }
    // A screen the user chose before is taken again without asking, so that
    // the preview shows it; otherwise the first recording asks.
    if (wayland && !tokenFile.empty() && std::filesystem::exists(tokenFile)) screenSource->prepare({});
    // Compositing that a killed companion left off comes back, unless one runs.
    if (windows.find("Glassoff") == 0) platform::GiveBackLeftoverCompositing();
    // Only the one running recorder repairs, beside whatever it records.
    const std::jthread repairs([&journal, &log] { platform::repairUnfinishedRecordings(journal, log); });
    platform::TerminationSignals terminationSignals([&replicast](int) { replicast.endBySignal(); });
    return app.exec();
}
