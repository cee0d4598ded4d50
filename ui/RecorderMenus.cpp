#include "ui/RecorderMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/RecorderWindows.h"

namespace talvora {

namespace {

QAction* addCommand(QMenu* menu, const char* text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    return action;
}

}  // namespace

bool commandAvailable(int id, const RecorderWindows& windows) {
    switch (id) {
        case command::kSettings:
        case command::kCaptureOptions:
        case command::kAudioSetup:
            return windows.settings != nullptr;
        case command::kOpenStorageFolder:
            return windows.browser != nullptr;
        case command::kMarkRegion:
        case command::kMarkEntireScreen:
        case command::kResetMarkers:
            return windows.marking != nullptr;
        default:
            return true;
    }
}

void enableCommands(QWidget* root, const RecorderWindows& windows) {
    for (QAction* action : root->findChildren<QAction*>())
        action->setEnabled(commandAvailable(commandOf(action), windows));
}

int commandOf(const QAction* action) { return action != nullptr ? action->data().toInt() : 0; }

QMenu* makePlayMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    addCommand(menu, "Play recorded file ", command::kPlayRecordedFile);
    menu->addSeparator();
    addCommand(menu, "Open storage folder", command::kOpenStorageFolder);
    menu->addSeparator();
    addCommand(menu, "Setup storage folder", command::kSetupStorageFolder);
    return menu;
}

QMenu* makeMarkMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    addCommand(menu, "Mark a screen &regioon ", command::kMarkRegion);
    menu->addSeparator();
    addCommand(menu, "Mark entire &screen", command::kMarkEntireScreen);
    menu->addSeparator();
    addCommand(menu, "&Capture/Save options", command::kCaptureOptions);
    addCommand(menu, "Enable &tracking meet windows", command::kEnableTracking);
    return menu;
}

QMenuBar* makeRecorderMenuBar(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    QMenu* file = bar->addMenu("&File");
    addCommand(file, "Open storage folder", command::kOpenStorageFolder);
    file->addSeparator();
    addCommand(file, "E&xit", command::kExit);
    QMenu* options = bar->addMenu("&Options");
    addCommand(options, "Show &cloned video", command::kShowClonedVideo)->setCheckable(true);
    addCommand(options, "Set &Full screen ", command::kFullScreen)->setCheckable(true);
    addCommand(options, "Reset mar&kers", command::kResetMarkers);
    options->addSeparator();
    addCommand(options, "&Restore defaults", command::kRestoreDefaults);
    addCommand(options, "&VexaBrowser", command::kBrowserCompanion);
    QMenu* help = bar->addMenu("&Help");
    addCommand(help, "&User guide (web)", command::kUserGuide);
    addCommand(help, "&Website", command::kWebSite);
    help->addSeparator();
    addCommand(help, "&About", command::kAbout);
    return bar;
}

void checkCommand(QWidget* root, int id, bool checked) {
    for (QAction* action : root->findChildren<QAction*>())
        if (commandOf(action) == id) action->setChecked(checked);
}

}  // namespace talvora
