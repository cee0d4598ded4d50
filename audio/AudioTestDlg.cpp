#include "audio/AudioTestDlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "audio/CoreAudio.h"
#include "audio/WindowsSoundDlg.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/desktop/DialogControls.h"
#include "platform/shell/Launcher.h"

namespace talvora {

namespace {

constexpr int kSpeakers = 1108;
constexpr int kMicrophone = 1107;
constexpr int kSmartMic = 1111;
constexpr int kOptions = 1247;
constexpr int kVolume = 1224;
constexpr int kSources = 9;
constexpr int kInputs = 1031;
constexpr int kWindowsSound = 5;
constexpr int kCheckData = 1220;
constexpr int kRefresh = 4;
constexpr int kReport = 1170;

constexpr const char* kLoopbackFilter = "VozEza5";
constexpr const char* kOpeningReport =
    "Your DEFAULT recording source detected is \"%s\".\r\n\r\nIf this is not your audio recording source or the "
    "microphone you'd like to use, click the button Windows Sound above and follow the instructions.";
constexpr const char* kRefreshReport =
    "Your DEFAULT recording source detected is \"%s\".\r\n\r\nIf this is not your audio recording source or the "
    "microphone you'd like to use, click the button Windows Sound and follow the instructions.";

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

AudioTestDlg::AudioTestDlg(AppContext& ctx, SettingsStore& store, platform::AudioSystem& audio, CoreAudio& core,
                           platform::RichText& richText, AudioSetupModel::Hooks hooks, bool withInstructions,
                           QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      store_(store),
      core_(core),
      richText_(richText),
      withInstructions_(withInstructions) {
    if (!hooks.saveSettings) hooks.saveSettings = [this] { return save(); };
    model_ = std::make_unique<AudioSetupModel>(ctx, audio, core, std::move(hooks));

    setWindowTitle("Audio Setup");
    setFont(platform::dialogFont());
    setFixedSize(platform::dialogSize(264, 354));

    platform::placeControl(new QGroupBox("Audio recording options", this), 0, 7, 4, 250, 112);
    speakers_ = platform::placeControl(new platform::ManualCheckBox(" Record remote audio (speakers)", this), kSpeakers,
                                       16, 17, 220, 10);
    microphone_ = platform::placeControl(new platform::ManualCheckBox(" Record local audio (microphone)", this),
                                         kMicrophone, 16, 31, 220, 10);
    smartMic_ = platform::placeControl(new platform::ManualCheckBox(" Enable Smart Microphone", this), kSmartMic, 16,
                                       45, 220, 10);
    platform::placeControl(new QLabel("Smart Microphone recording options", this), 0, 16, 61, 200, 9);
    options_ = platform::placeControl(new platform::OpeningComboBox(this), kOptions, 16, 71, 180, 13);
    platform::placeControl(new QLabel("Lower recorded remote volume by", this), 0, 16, 95, 140, 9);
    volume_ = platform::placeControl(new QLineEdit(this), kVolume, 158, 93, 30, 13);
    volume_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), volume_));
    platform::placeControl(new QLabel("%", this), 0, 191, 95, 10, 9);

    platform::placeControl(new QGroupBox("Microphon selection", this), 0, 7, 120, 250, 112);
    platform::placeControl(new QLabel("Audio Recording Sources", this), 0, 16, 133, 150, 9);
    sources_ = platform::placeControl(new platform::OpeningComboBox(this), kSources, 16, 143, 232, 13);
    platform::placeControl(new QLabel("Audio Inputs", this), 0, 16, 162, 150, 9);
    inputs_ = platform::placeControl(new QComboBox(this), kInputs, 16, 172, 232, 13);
    auto* windowsSound = platform::placeControl(new QPushButton("Windows Sound", this), kWindowsSound, 16, 203, 72, 14);
    auto* checkData = platform::placeControl(new QPushButton("Check data", this), kCheckData, 96, 203, 72, 14);
    auto* refreshButton = platform::placeControl(new QPushButton("Refresh", this), kRefresh, 176, 203, 72, 14);

    report_ = platform::placeControl(new QPlainTextEdit(this), kReport, 7, 238, 250, 88);
    report_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* ok = platform::placeControl(new QPushButton("OK", this), platform::kIdOk, 80, 333, 50, 14);
    auto* cancel = platform::placeControl(new QPushButton("Cancel", this), platform::kIdCancel, 136, 333, 50, 14);
    ok->setDefault(true);

    connect(speakers_, &QCheckBox::clicked, this, &AudioTestDlg::clickSpeakers);
    connect(microphone_, &QCheckBox::clicked, this, &AudioTestDlg::clickMicrophone);
    connect(smartMic_, &QCheckBox::clicked, this, &AudioTestDlg::clickSmartMic);
    options_->onOpen = [this] { fillSmartMicOptions(); };
    connect(options_, &QComboBox::activated, this, [this](int index) { model_->chooseSmartMicOption(index); });
    sources_->onOpen = [this] { openSourcesList(); };
    connect(sources_, &QComboBox::activated, this, [this](int index) {
        model_->OnAudioSourceChanged(index);
        showLists();
    });
    connect(inputs_, &QComboBox::activated, this, [this](int index) { model_->SelectAudioInputLine(index); });
    connect(windowsSound, &QPushButton::clicked, this, &AudioTestDlg::windowsSound);
    connect(checkData, &QPushButton::clicked, this, &AudioTestDlg::checkData);
    connect(refreshButton, &QPushButton::clicked, this, &AudioTestDlg::refresh);
    connect(ok, &QPushButton::clicked, this, &AudioTestDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &AudioTestDlg::reject);

    initialise();
}

AudioTestDlg::~AudioTestDlg() = default;

bool AudioTestDlg::save() { return store_.write() == 1; }

QString AudioTestDlg::reportText() const { return report_->toPlainText(); }

void AudioTestDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // After the dialog itself is mapped, so that the instructions come above it.
    if (withInstructions_) QTimer::singleShot(0, this, &AudioTestDlg::windowsSound);
}

void AudioTestDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const bool wasMinimised = static_cast<QWindowStateChangeEvent*>(event)->oldState().testFlag(Qt::WindowMinimized);
    if (isMinimized() && !wasMinimised) minimiseProgram();
    else if (!isMinimized() && wasMinimised) restoreProgram();
}

void AudioTestDlg::minimiseProgram() {
    // Minimising the dialog minimises the program, as its main window's
    // minimise would; restoring the dialog brings back what went down.
    minimisedWindows_.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const bool ours = window == this || window->parentWidget() == this;  // the instructions go with it
        const Qt::WindowType type = window->windowType();
        if (ours || type == Qt::Popup || type == Qt::ToolTip || !window->isVisible() || window->isMinimized())
            continue;
        minimisedWindows_.emplace_back(window);
        window->showMinimized();
    }
}

void AudioTestDlg::restoreProgram() {
    for (const QPointer<QWidget>& window : minimisedWindows_)
        if (window != nullptr) window->showNormal();
    minimisedWindows_.clear();
    raise();
    activateWindow();
}

void AudioTestDlg::setMicrophone(bool ticked) {
    microphone_->setChecked(ticked);
    sources_->setEnabled(ticked);
    inputs_->setEnabled(ticked);
}

bool AudioTestDlg::fillSources() {
    const int result = model_->FillAudioSources();
    showLists();
    return result != 0;
}

void AudioTestDlg::showLists() {
    const QSignalBlocker blockSources(sources_);
    const QSignalBlocker blockInputs(inputs_);
    sources_->clear();
    for (const std::string& source : model_->sources()) sources_->addItem(QString::fromStdString(source));
    sources_->setCurrentIndex(model_->selectedSource());
    inputs_->clear();
    for (const std::string& input : model_->inputs()) inputs_->addItem(QString::fromStdString(input));
    inputs_->setCurrentIndex(model_->selectedInput());
}

void AudioTestDlg::fillSmartMicOptions() {
    const QSignalBlocker block(options_);
    options_->clear();
    for (const std::string& option : AudioSetupModel::SmartMicOptions()) options_->addItem(QString::fromStdString(option));
    options_->setCurrentIndex(model_->shownSmartMicOption());
}

void AudioTestDlg::initialise() {
    Settings& s = ctx_.settings;
    const char* const fillFailure = "Cannot find or setup audio sources.";
    if (s.dualAudio != 0) {
        speakers_->setChecked(true);
        setMicrophone(true);
    } else if (s.vistaAudio != 0) {
        speakers_->setChecked(true);
        setMicrophone(false);
    } else {
        speakers_->setChecked(false);
        setMicrophone(true);
    }
    if (s.vistaAudio == 0 && !fillSources()) {
        ctx_.platform.messageBox.show(fillFailure);
        return;
    }
    speakers_->setEnabled(true);
    microphone_->setEnabled(true);
    if (s.vistaAudio != 0) speakers_->setChecked(true);
    else speakers_->setChecked(false);
    // A negative value in the file would show as a huge unsigned number.
    volume_->setText(QString::number(std::max(0, s.procVolume)));

    if (s.dualAudio != 0) {
        sources_->setEnabled(true);
        inputs_->setEnabled(true);
        if (!fillSources()) {
            ctx_.platform.messageBox.show(fillFailure);
            return;
        }
        fillSmartMicOptions();
        smartMic_->setChecked(s.smartMic != 0);
    }
    if (s.audioSource1.empty() && contains(s.audioSource, kLoopbackFilter) && s.dualAudio != 0 &&
        s.recOption == -1 && s.smartMic == 0 && s.singleDevice == 0) {
        setMicrophone(true);
        speakers_->setChecked(true);
        if (!fillSources()) {
            ctx_.platform.messageBox.show(fillFailure);
            return;
        }
        smartMic_->setChecked(true);
        s.smartMic = 1;
        s.recOption = 2;
        fillSmartMicOptions();
    } else if (s.audioSource1.empty() && !contains(s.audioSource, kLoopbackFilter)) {
        setMicrophone(true);
        speakers_->setChecked(false);
        if (!fillSources()) {
            ctx_.platform.messageBox.show(fillFailure);
            return;
        }
        fillSmartMicOptions();
        smartMic_->setChecked(s.smartMic != 0);
    }
    if (s.dualAudio != 0 || s.singleDevice != 0) showDefaultMicrophone(false);
}

void AudioTestDlg::showDefaultMicrophone(bool fromRefresh) {
    Settings& s = ctx_.settings;
    if (platform::failed(core_.GetDefaultMicrophoneName()) || ctx_.audio.defaultMicrophoneName.empty()) return;
    if (fromRefresh) s.audioSource1 = ctx_.audio.defaultMicrophoneName;
    model_->PickMicrophoneSource();
    showLists();
    const int source = sources_->findText(QString::fromStdString(s.audioSource1), Qt::MatchStartsWith);
    if (source >= 0) sources_->setCurrentIndex(source);
    const int input = inputs_->findText(QString::fromStdString(s.audioOutput1), Qt::MatchStartsWith);
    if (input >= 0) inputs_->setCurrentIndex(input);
    sources_->setFocus();
    report_->clear();
    const std::string text = fromRefresh ? platform::format(kRefreshReport, s.audioSource1.c_str())
                                         : platform::format(kOpeningReport, ctx_.audio.defaultMicrophoneName.c_str());
    report_->setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
    QFont font("Sans Serif");
    font.setWeight(QFont::Normal);
    font.setPixelSize(std::max(1, report_->viewport()->height() / 8));
    report_->setFont(font);
    ctx_.audio.defaultMicrophoneName = s.audioSource1;
}

void AudioTestDlg::clickSpeakers() {
    Settings& s = ctx_.settings;
    if (speakers_->isChecked()) {
        speakers_->setChecked(false);
        setMicrophone(true);
        s.dualAudio = 0;
        s.vistaAudio = 0;
        if (sources_->count() == 0) fillSources();
    } else {
        speakers_->setChecked(true);
        s.audioSource = kLoopbackFilter;
        s.audioOutput = "Out";
        s.vistaAudio = 1;
        s.dualAudio = microphone_->isChecked() ? 1 : 0;
    }
    if (!microphone_->isChecked()) {
        smartMic_->setChecked(false);
        s.smartMic = 0;
    }
}

void AudioTestDlg::clickMicrophone() {
    Settings& s = ctx_.settings;
    if (microphone_->isChecked()) {
        setMicrophone(false);
        if (!speakers_->isChecked()) {
            speakers_->setChecked(true);
            s.vistaAudio = 1;
            s.dualAudio = 0;
        }
    } else {
        setMicrophone(true);
        s.dualAudio = speakers_->isChecked() ? 1 : 0;
        fillSources();
    }
    if (!microphone_->isChecked()) {
        smartMic_->setChecked(false);
        s.smartMic = 0;
    }
}

void AudioTestDlg::clickSmartMic() {
    Settings& s = ctx_.settings;
    if (smartMic_->isChecked()) {
        smartMic_->setChecked(false);
        s.smartMic = 0;
    } else {
        if (!model_->enableSmartMic(microphone_->isChecked())) return;
        smartMic_->setChecked(true);
        s.smartMic = 1;
    }
    save();
    fillSmartMicOptions();
}

void AudioTestDlg::openSourcesList() {
    sources_->clear();
    if (!fillSources()) ctx_.platform.messageBox.show("Cannot find or setup the audio source.");
}

void AudioTestDlg::refresh() {
    const Settings& s = ctx_.settings;
    if (s.dualAudio != 0 || s.singleDevice != 0) showDefaultMicrophone(true);
}

void AudioTestDlg::windowsSound() {
    delete WindowsSoundDlg::instance();
    auto* window = new WindowsSoundDlg(ctx_, richText_, this);
    window->move(frameGeometry().topLeft());
    window->show();
    activateWindow();
    // Explorer opening the script runs it: the desktop's sound settings.
    ctx_.platform.launcher.execute("open", ".\\sound.bat", "", platform::ShowState::Normal);
}

void AudioTestDlg::checkData() { delete WindowsSoundDlg::instance(); }

void AudioTestDlg::accept() {
    AudioSetupModel::Confirmation confirmation{speakers_->isChecked(), microphone_->isChecked(),
                                               sources_->currentText().toStdString(), volume_->text().toStdString()};
    const AudioSetupModel::Outcome outcome = model_->ApplyAudioSetup(confirmation);
    if (!confirmation.microphone) setMicrophone(false);
    if (outcome == AudioSetupModel::Outcome::Close) QDialog::accept();
}

void AudioTestDlg::reject() {
    Settings& s = ctx_.settings;
    if (contains(s.audioSource, kLoopbackFilter)) {
        s.vistaAudio = 1;
        save();
    }
    QDialog::reject();
}

}  // namespace talvora
