#include "ui/SettingsDialogs.h"

#include <QDialog>
#include <vector>

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "audio/AudioTestDlg.h"
#include "platform/core/ProcessControl.h"
#include "ui/NestedLoops.h"
#include "ui/RecordingSession.h"
#include "ui/SetupDlg.h"
#include "ui/WinDlg.h"

namespace talvora {

SettingsDialogs::SettingsDialogs(AppContext& ctx, SettingsStore& store, platform::AudioSystem& audio,
                                 platform::RichText& richText)
    : ctx_(ctx), store_(store), audio_(audio), richText_(richText), core_(ctx, audio, [this] { closeProgram(); }) {}

SettingsDialogs::~SettingsDialogs() {
    delete dialog_;
    for (SetupDlg* dialog : closing_) delete dialog;
}

void SettingsDialogs::openSettings() {
    if (dialog_ != nullptr) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    // Not while the recorder window is being rebuilt.
    if (!recorder_.current || recorder_.current() == nullptr) return;
    dialog_ = new SetupDlg(ctx_, store_, *this);
    openedAtLevel_ = eventLoopLevel();
    dialog_->show();
}

void SettingsDialogs::closeSettings() {
    if (dialog_ == nullptr) return;
    SetupDlg* dialog = dialog_;
    dialog_ = nullptr;
    dialog->hide();
    // A start or stop closes it from wherever the user is: its child dialogs
    // end their loops, and it is freed only once its own handlers, which may
    // wait in those loops or in a message box, have returned.
    for (QDialog* child : dialog->findChildren<QDialog*>())
        if (child->isVisible()) child->reject();
    std::erase_if(closing_, [](const QPointer<SetupDlg>& d) { return d.isNull(); });
    closing_.emplace_back(dialog);
    deleteOutsideNestedLoops(dialog, openedAtLevel_);
}

void SettingsDialogs::openAudioSetup() { audioSetup(true); }

void SettingsDialogs::runAudioSetup() { audioSetup(false); }

void SettingsDialogs::audioSetup(bool withInstructions) {
    WinDlg* recorder = recorder_.current ? recorder_.current() : nullptr;
    if (recorder == nullptr) return;
    AudioSetupModel::Hooks hooks;
    hooks.buildTestGraph = [this](const std::string&) {
        WinDlg* r = recorder_.current();
        return r != nullptr && r->recordingGraph().audioSourceTest() == 1;
    };
    hooks.resetGraphs = [this] {
        if (WinDlg* r = recorder_.current()) {
            r->recordingGraph().tearDownReleaseAndCreate();
            r->restartPreview();
        }
    };
    hooks.tickRecordAudio = [this] {
        if (dialog_ != nullptr) dialog_->tickRecordAudio();
    };
    AudioTestDlg dialog(ctx_, store_, audio_, core_, richText_, std::move(hooks), withInstructions,
                        dialog_ != nullptr ? static_cast<QWidget*>(dialog_) : nullptr);
    ++audioSetupsOpen_;
    dialog.exec();
    --audioSetupsOpen_;
}

WindowTracker& SettingsDialogs::tracker() {
    // The settings dialog is open only while a recorder window exists.
    return recorder_.current()->tracker();
}

void SettingsDialogs::stopTimer() {
    if (WinDlg* r = recorder_.current()) r->stopTimer();
}

void SettingsDialogs::startTimer() {
    if (WinDlg* r = recorder_.current()) r->startTimer();
}

void SettingsDialogs::restartPreview() {
    if (WinDlg* r = recorder_.current()) r->restartPreview();
}

void SettingsDialogs::registerHotkeys(const std::array<HotkeyCombination, 3>& combinations) {
    if (WinDlg* r = recorder_.current()) r->hotkeys().registerFromDialog(combinations);
}

int SettingsDialogs::markingState() {
    WinDlg* r = recorder_.current();
    return r != nullptr ? r->markingState() : 0;
}

bool SettingsDialogs::canMarkRegion() {
    WinDlg* r = recorder_.current();
    return r != nullptr && r->windows().marking != nullptr;
}

void SettingsDialogs::markRegion() {
    if (canMarkRegion()) recorder_.current()->windows().marking->markRegion();
}

void SettingsDialogs::closeProgram() {
    if (WinDlg* r = recorder_.current ? recorder_.current() : nullptr) r->closeProgram();
    else ctx_.platform.process.exitProcess(0);
}

void SettingsDialogs::rebuildRecorder(int percent) {
    // A settings dialog opened again during the wait before the rebuild
    // would outlive the window it works on.
    closeSettings();
    // An OK that waited in a message box while a hotkey started a recording:
    // the window the session lives in stays until the session is idle.
    WinDlg* r = recorder_.current ? recorder_.current() : nullptr;
    if (r == nullptr || r->session().state() != SessionState::Idle || ctx_.recording) return;
    if (recorder_.rebuild) recorder_.rebuild(percent);
}

}  // namespace talvora
