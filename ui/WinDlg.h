#pragma once

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPoint>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>

#include "app/AppContext.h"
#include "app/RecorderWindows.h"
#include "audio/CoreAudio.h"
#include "capture/GraphToolkit.h"
#include "capture/Mpeg2RecordingPath.h"
#include "capture/PreviewGraph.h"
#include "capture/PreviewHost.h"
#include "capture/RecordingGraph.h"
#include "capture/RecordingHost.h"
#include "targets/TrackerHost.h"
#include "targets/WindowTracker.h"
#include "ui/HotkeyRegistration.h"
#include "ui/RecordingSession.h"
#include "ui/SessionUi.h"

namespace platform {
class AudioSystem;
class FilterRegistry;
class Hotkeys;
class PropertyPages;
class ScreenSource;
}  // namespace platform

namespace talvora {

class SettingsStore;

// What the recorder window builds its graphs from, and its global hotkeys.
struct RecorderServices {
    const platform::FilterRegistry& registry;
    platform::PropertyPages& propertyPages;
    platform::Hotkeys& hotkeys;
    platform::AudioSystem& audio;
    // The dialogs, browser and region marking; a group left null is greyed.
    RecorderWindows windows = {};
    // The screen the recordings read, asked for consent before each start;
    // null where it needs none.
    platform::ScreenSource* screen = nullptr;
};

// The recorder window: everything the user sees after start-up. It owns the
// recording session, the recording graph and the meeting-window tracker and
// drives them from its one-second timer. UI thread only.
class MaxiClientArea;

class WinDlg : public QWidget, public SessionUi, public TrackerHost, public RecordingHost, public PreviewHost {
    Q_OBJECT
public:
    enum class Layout { Mini, Maxi };

    WinDlg(AppContext& ctx, SettingsStore& store, RecorderServices services, Layout layout);
    ~WinDlg() override;

    Layout layout() const { return layout_; }
    double interfaceScale() const override { return scale_; }
    RecordingSession& session() { return *session_; }
    QString statusText() const { return QString::fromStdString(ctx_.statusText); }
    // What the settings dialogs work on.
    WindowTracker& tracker() { return tracker_; }
    HotkeyRegistration& hotkeys() { return *hotkeys_; }
    RecordingGraph& recordingGraph() { return graph_; }
    PreviewGraph& previewGraph() { return preview_; }
    const RecorderWindows& windows() const { return windows_; }

    // The program's exit path: asks while a recording is active, then ends
    // the process with code 0. A second call while closing does nothing.
    void closeProgram() override;
    // At the first tick: false, after saying so once, when no sound server
    // answers (and sound is recorded at all).
    bool soundServerAnswers();
    // The exit path for a termination signal: no question, the recording is
    // stopped and finished.
    void endBySignal();

    // Unscaled client sizes of the two layouts, from their templates.
    static QSize unscaledSize(Layout layout);

    // One tick of timer 1 (also called by tests).
    void tick();
    // Carries out a command of the buttons and menus.
    void onCommand(int id);
    // The "MAXI" layout's client area below its menu bar; null in "MINI".
    MaxiClientArea* maxiClientArea() const { return maxi_; }

    // SessionUi
    void stopTimer() override;
    void startTimer() override;
    void setRecordCaption(const std::string& text) override;
    void setPlayPauseCaption(const std::string& text) override;
    void setMicPicture(bool muted) override;
    void showStatus(const std::string& text) override;
    void showNote(const std::string& text) override;
    void hideRecorder() override;
    void showRecorderRestored() override;
    void restartPreview() override;
    void closeSettingsDialog() override;
    bool audioSetupOpen() override;
    int markingState() override;
    void closeMarkingWindow() override;
    platform::Rect recorderRect() override;
    void showTip(int tip) override;
    void setTipText(const std::string& text) override;

    // TrackerHost
    bool previewReady() override;
    void startTimer(int interval_ms) override;
    bool regionFrameShown() override;
    bool converting() override;

    // RecordingHost
    platform::WindowId recorderWindow() override;
    bool startMinimised() override;
    int pauseState() override;
    void minimiseRecorder() override;
    void refreshLayeredStyle() override {}
    bool createClonePanel() override;
    void destroyClonePanel() override;
    ClientLayout clientLayout() override;
    void clearRecordingFlag() override;

    // PreviewHost
    CaptureTarget captureTarget() override;
    platform::WindowId videoOwner() override;
    bool screenReady() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void place();
    void buildMiniLayout();
    void buildMaxiLayout();
    void updateMenuState();
    void popUpMenu(QMenu* menu);
    void toggleClonedVideo();
    void chooseRecordingFolder();
    void restoreDefaults();
    void storePosition();
    void resetMarkers();
    QPushButton* titleButton(const char* picture, int left, int width, int bottom);
    QPixmap scaledPicture(const char* file, const char* scaledFile, int width, int height);
    void onMessage(platform::MessageId message, std::intptr_t wParam, std::intptr_t lParam);
    void oneTimeInitialisation();
    void askForSecondSource();

    AppContext& ctx_;
    SettingsStore& store_;
    Layout layout_;
    double scale_ = 1.0;
    GraphToolkit toolkit_;
    Mpeg2RecordingPath mpeg2_;
    WindowTracker tracker_;
    RecordingGraph graph_;
    PreviewGraph preview_;
    std::unique_ptr<RecordingSession> session_;
    std::unique_ptr<HotkeyRegistration> hotkeys_;
    CoreAudio coreAudio_;
    QTimer timer_;
    RecorderWindows windows_;
    int ticks_ = 0;
    bool initialised_ = false;

    QPushButton* record_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* mic_ = nullptr;
    QTextEdit* status_ = nullptr;
    int statusPixels_ = 1;  // the status line's font size for texts that fit
    std::chrono::steady_clock::time_point noteUntil_;  // the status line holds a note until then
    QWidget* clonePanel_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    MaxiClientArea* maxi_ = nullptr;
    bool exitWithoutAsking_ = false;
    platform::AudioSystem& audio_;
    platform::ScreenSource* screen_;  // null in tests without one
    int stripHeight_ = 30;
    int buttonRowHeight_ = 17;
    bool dragging_ = false;
    QPoint dragOrigin_;
};

}  // namespace talvora
