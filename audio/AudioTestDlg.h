#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <vector>

#include "audio/AudioSetupModel.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace platform {
class AudioSystem;
class RichText;
}  // namespace platform

namespace platform {
class ManualCheckBox;
class OpeningComboBox;
}  // namespace platform

namespace talvora {

class CoreAudio;
class SettingsStore;
struct AppContext;

// "Audio Setup" (template 427): what is recorded (the speakers' loopback, the
// microphone or both), the microphone's source and input line, the Smart
// Microphone options and the remote volume; the rules are AudioSetupModel's.
// Modal. UI thread.
class AudioTestDlg : public QDialog {
    Q_OBJECT
public:
    // `withInstructions`: opened from the recorder window, it also opens the
    // instructions window and the sound settings at once.
    AudioTestDlg(AppContext& ctx, SettingsStore& store, platform::AudioSystem& audio, CoreAudio& core,
                 platform::RichText& richText, AudioSetupModel::Hooks hooks, bool withInstructions,
                 QWidget* parent = nullptr);
    ~AudioTestDlg() override;

    void accept() override;  // OK: the model's checks decide
    void reject() override;  // Cancel and the close box

    AudioSetupModel& model() { return *model_; }
    QString reportText() const;

protected:
    void showEvent(QShowEvent* event) override;
    // Minimised or restored: the program's other windows go along.
    void changeEvent(QEvent* event) override;

private:
    void minimiseProgram();
    void restoreProgram();
    void initialise();
    bool fillSources();
    void showLists();
    void fillSmartMicOptions();
    void setMicrophone(bool ticked);
    void showDefaultMicrophone(bool fromRefresh);
    void clickSpeakers();
    void clickMicrophone();
    void clickSmartMic();
    void openSourcesList();
    void refresh();
    void windowsSound();
    void checkData();
    bool save();

    AppContext& ctx_;
    SettingsStore& store_;
    CoreAudio& core_;
    platform::RichText& richText_;
    std::unique_ptr<AudioSetupModel> model_;
    bool withInstructions_;
    bool shownOnce_ = false;
    // What the dialog minimised with itself, to restore with it.
    std::vector<QPointer<QWidget>> minimisedWindows_;

    platform::ManualCheckBox* speakers_;
    platform::ManualCheckBox* microphone_;
    platform::ManualCheckBox* smartMic_;
    platform::OpeningComboBox* options_;
    QLineEdit* volume_;
    platform::OpeningComboBox* sources_;
    QComboBox* inputs_;
    QPlainTextEdit* report_;
};

}  // namespace talvora
