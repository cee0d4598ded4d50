#pragma once

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace talvora {

struct RecorderWindows;

// Command ids of the recorder window's buttons and menus.
namespace command {
constexpr int kRecord = 1215;
constexpr int kPlay = 308;
constexpr int kMark = 309;
constexpr int kSettings = 311;
constexpr int kClose = 1234;
constexpr int kMinimize = 1236;
constexpr int kMicrophone = 1237;
constexpr int kAudioSetup = 1238;
constexpr int kPlayRecordedFile = 32809;
constexpr int kOpenStorageFolder = 32983;
constexpr int kSetupStorageFolder = 33078;
constexpr int kMarkRegion = 33072;
constexpr int kMarkEntireScreen = 33044;
constexpr int kCaptureOptions = 33094;
constexpr int kEnableTracking = 33096;
constexpr int kShowClonedVideo = 33024;
constexpr int kResetMarkers = 33065;
constexpr int kRestoreDefaults = 33046;
constexpr int kBrowserCompanion = 33053;
constexpr int kExit = 33039;
constexpr int kUserGuide = 32899;
constexpr int kWebSite = 33019;
constexpr int kFullScreen = 33058;
constexpr int kAbout = 32835;
}  // namespace command

// The menus carry their command id in each entry's data.
QMenu* makePlayMenu(QWidget* parent);  // pop-up menu 435
QMenu* makeMarkMenu(QWidget* parent);  // pop-up menu 436
QMenuBar* makeRecorderMenuBar(QWidget* parent);  // menu bar 431

// Whether the command can run with the windows given: the commands that open
// a window built on its own (the settings and audio set-up dialogs, the
// browser, the region marking) need that window's group.
bool commandAvailable(int id, const RecorderWindows& windows);
// Enables or greys the entries under `root` by commandAvailable.
void enableCommands(QWidget* root, const RecorderWindows& windows);
// Checks the entry of `id` under `root` (a menu or menu bar) when present.
void checkCommand(QWidget* root, int id, bool checked);
// The command id an entry carries, 0 for none.
int commandOf(const QAction* action);

}  // namespace talvora
