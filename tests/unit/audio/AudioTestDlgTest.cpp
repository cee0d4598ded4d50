#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <fstream>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "audio/AudioTestDlg.h"
#include "audio/CoreAudio.h"
#include "audio/WindowsSoundDlg.h"
#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/desktop/DialogControls.h"
#include "platform/shell/fake/FakeRichText.h"

namespace talvora {
namespace {

class AudioTestDlgTest : public ::testing::Test {
protected:
    AudioTestDlgTest() : store(fp.ctx), folder(fp, store) {
        platform::AudioSourceInfo mic;
        mic.name = "alsa_input.usb";
        mic.description = "USB Microphone";
        mic.ports = {{"analog-input-mic", "Microphone"}};
        mic.sampleFormat = {48000, 2, 16, false};
        audio.addSource(mic);
    }
    ~AudioTestDlgTest() override { delete WindowsSoundDlg::instance(); }

    std::unique_ptr<AudioTestDlg> open(bool withInstructions = false) {
        AudioSetupModel::Hooks hooks{[](const std::string&) { return true; }, [] {}, [] {}, {}};
        return std::make_unique<AudioTestDlg>(fp.ctx, store, audio, core, richText, hooks, withInstructions);
    }
    static QCheckBox* box(const AudioTestDlg& d, int id) { return platform::controlById<QCheckBox>(&d, id); }
    static void click(const AudioTestDlg& d, int id) { platform::controlById<QAbstractButton>(&d, id)->click(); }
    static int soundWindows() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<WindowsSoundDlg*>(w) != nullptr) ++n;
        return n;
    }
    int launches(const std::string& file) const {
        int n = 0;
        for (const auto& call : fp.launcher.calls) n += call.file == file ? 1 : 0;
        return n;
    }

    test::FakePlatform fp;
    SettingsStore store;
    test::InProgramFolder folder;
    platform::FakeAudioSystem audio;
    platform::FakeRichText richText;
    CoreAudio core{fp.ctx, audio, [] {}};
};

TEST_F(AudioTestDlgTest, BothBoxesCanNeverBeUnticked) {
    Settings& s = fp.ctx.settings;
    s.dualAudio = 0;
    s.vistaAudio = 1;
    const auto d = open();
    EXPECT_EQ(d->windowTitle(), "Audio Setup");
    EXPECT_TRUE(box(*d, 1108)->isChecked());
    EXPECT_FALSE(box(*d, 1107)->isChecked());
    click(*d, 1107);  // microphone on: both, dual audio
    EXPECT_TRUE(box(*d, 1107)->isChecked());
    EXPECT_EQ(s.dualAudio, 1);
    click(*d, 1108);  // speakers off: microphone alone
    EXPECT_FALSE(box(*d, 1108)->isChecked());
    EXPECT_EQ(s.vistaAudio, 0);
    click(*d, 1107);  // unticking the microphone too ticks the speakers
    EXPECT_FALSE(box(*d, 1107)->isChecked());
    EXPECT_TRUE(box(*d, 1108)->isChecked());
    EXPECT_EQ(s.vistaAudio, 1);
    EXPECT_EQ(s.dualAudio, 0);
    EXPECT_FALSE(platform::controlById<QComboBox>(d.get(), 9)->isEnabled());
}

TEST_F(AudioTestDlgTest, SmartMicrophoneNeedsTheMicrophone) {
    fp.ctx.settings.dualAudio = 0;
    fp.ctx.settings.vistaAudio = 1;
    const auto d = open();
    click(*d, 1111);
    EXPECT_FALSE(box(*d, 1111)->isChecked());
    EXPECT_EQ(fp.messageBox.texts().back(),
              "Smart Microphone is available when local audio stream (microphone) is selected");
}

TEST_F(AudioTestDlgTest, DefaultMicrophoneIsReported) {
    Settings& s = fp.ctx.settings;
    s.dualAudio = 1;
    s.audioSource1 = "";
    audio.setDefaultSource("alsa_input.usb");
    const auto d = open();
    EXPECT_TRUE(d->reportText().startsWith("Your DEFAULT recording source detected is \"USB Microphone\".\n\n"));
    EXPECT_TRUE(d->reportText().endsWith("click the button Windows Sound above and follow the instructions."));
    EXPECT_EQ(s.audioSource1, "USB Microphone");
    EXPECT_EQ(platform::controlById<QComboBox>(d.get(), 9)->currentText(), "USB Microphone");
}

TEST_F(AudioTestDlgTest, FreshInstallationRecordsBothSidesAfterOneClick) {
    // The settings as shipped: the first start opens this dialog, which offers
    // the default microphone beside the speakers; OK keeps both unasked.
    const Settings& s = fp.ctx.settings;
    platform::AudioSinkInfo speakers;
    speakers.name = "alsa_output.speakers";
    speakers.monitorSource = "alsa_output.speakers.monitor";
    speakers.sampleFormat = {48000, 2, 16, false};
    audio.addSink(speakers);
    audio.setDefaultSink("alsa_output.speakers");
    audio.setDefaultSource("alsa_input.usb");
    const auto d = open();
    EXPECT_TRUE(box(*d, 1108)->isChecked());
    EXPECT_TRUE(box(*d, 1107)->isChecked());
    EXPECT_EQ(platform::controlById<QComboBox>(d.get(), 9)->currentText(), "USB Microphone");
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{});
    store.read();
    EXPECT_EQ(s.dualAudio, 1);
    EXPECT_EQ(s.audioSource1, "USB Microphone");
    EXPECT_EQ(s.audioSource, "VozEza5");
}

TEST_F(AudioTestDlgTest, NoDefaultMicrophoneLeavesTheSecondSource) {
    Settings& s = fp.ctx.settings;
    s.dualAudio = 1;
    s.audioSource1 = "Old Headset";
    const auto d = open();  // the fake server has no default source
    EXPECT_EQ(d->reportText(), "");
    EXPECT_EQ(s.audioSource1, "Old Headset");
    click(*d, 4);  // "Refresh" finds none either
    EXPECT_EQ(d->reportText(), "");
    EXPECT_EQ(s.audioSource1, "Old Headset");
}

TEST_F(AudioTestDlgTest, WindowsSoundTwiceLeavesOneInstructionsWindow) {
    std::ofstream("Microphone_Setup_1.rtf") << "{\\rtf1 Pick the microphone\\par}";
    const auto d = open();
    click(*d, 5);
    click(*d, 5);
    QApplication::processEvents();
    EXPECT_EQ(soundWindows(), 1);
    ASSERT_NE(WindowsSoundDlg::instance(), nullptr);
    EXPECT_EQ(WindowsSoundDlg::instance()->windowTitle(), "Windows Audio Recording");
    QTextBrowser* text = WindowsSoundDlg::instance()->textBox();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->objectName(), "56789");
    EXPECT_TRUE(text->toPlainText().contains("Pick the microphone"));
    EXPECT_EQ(launches(".\\sound.bat"), 2);
    EXPECT_EQ(launches("wordpad"), 0);
    click(*d, 1220);  // "Check data" closes it
    EXPECT_EQ(WindowsSoundDlg::instance(), nullptr);
    EXPECT_EQ(soundWindows(), 0);
}

TEST_F(AudioTestDlgTest, InstructionsKeepTheirFirst32000CharactersAcrossTheOuterSize) {
    std::ofstream("Microphone_Setup_1.rtf") << std::string(40000, 'a');
    const auto d = open();
    click(*d, 5);
    WindowsSoundDlg* window = WindowsSoundDlg::instance();
    ASSERT_NE(window, nullptr);
    QTextBrowser* text = window->textBox();
    ASSERT_NE(text, nullptr);
    // The converter's markup does not count against the limit.
    EXPECT_EQ(text->toPlainText(), QString(32000, 'a'));
    const QSize outer = window->frameGeometry().size();
    ASSERT_NE(outer, window->size());  // the window has a frame
    EXPECT_EQ(text->geometry(), QRect(2, 2, outer.width() - 2, static_cast<int>(outer.height() / 1.1)));
}

TEST_F(AudioTestDlgTest, MinimisingMinimisesTheProgramAndRestoringRestoresBoth) {
    QWidget recorder;
    recorder.show();
    const auto d = open();
    d->show();
    d->showMinimized();
    EXPECT_TRUE(recorder.isMinimized());
    d->showNormal();
    EXPECT_FALSE(recorder.isMinimized());
    EXPECT_TRUE(recorder.isVisible());
}

TEST_F(AudioTestDlgTest, InstructionsGoToTheWordProcessorWhenTheyCannotBeShown) {
    const auto d = open();
    click(*d, 5);  // no file
    ASSERT_EQ(launches("wordpad"), 1);
    const auto& call = fp.launcher.calls.front();
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.parameters, "Microphone_Setup_1.rtf");
    std::ofstream("Microphone_Setup_1.rtf").flush();  // empty
    click(*d, 5);
    EXPECT_EQ(launches("wordpad"), 2);
    std::ofstream("Microphone_Setup_1.rtf") << "{\\rtf1 x}";
    richText.available = false;  // no converter
    click(*d, 5);
    EXPECT_EQ(launches("wordpad"), 3);
    EXPECT_EQ(WindowsSoundDlg::instance()->textBox(), nullptr);
}

TEST_F(AudioTestDlgTest, OpenedFromTheRecorderShowsTheInstructionsAtOnce) {
    std::ofstream("Microphone_Setup_1.rtf") << "{\\rtf1 x}";
    const auto d = open(true);
    d->show();
    QApplication::processEvents();
    EXPECT_NE(WindowsSoundDlg::instance(), nullptr);
    EXPECT_EQ(launches(".\\sound.bat"), 1);
}

TEST_F(AudioTestDlgTest, OkChecksTheVolumeAndStoresTheLoopback) {
    Settings& s = fp.ctx.settings;
    s.dualAudio = 0;
    s.vistaAudio = 1;
    const auto d = open();
    platform::controlById<QLineEdit>(d.get(), 1224)->setText("91");
    d->accept();
    EXPECT_EQ(fp.messageBox.texts().back(), "Recorded volume can only be lowered by 90%");
    EXPECT_EQ(d->result(), 0);
    platform::controlById<QLineEdit>(d.get(), 1224)->setText("90");
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    store.read();
    EXPECT_EQ(s.procVolume, 90);
    EXPECT_EQ(s.audioSource, "VozEza5");
    EXPECT_EQ(s.audioOutput, "Out");
}

TEST_F(AudioTestDlgTest, ListsFollowTheSoundServer) {
    Settings& s = fp.ctx.settings;
    s.dualAudio = 1;
    s.smartMic = 1;
    s.recOption = 0;
    const auto d = open();
    auto* sources = platform::controlById<QComboBox>(d.get(), 9);
    ASSERT_EQ(sources->count(), 1);
    EXPECT_EQ(sources->itemText(0), "USB Microphone");
    auto* options = platform::controlById<QComboBox>(d.get(), 1247);
    ASSERT_EQ(options->count(), 3);
    EXPECT_EQ(options->currentText(), "Mute remote audio volume when recording");
    options->activated(2);
    EXPECT_EQ(s.recOption, 2);
    store.read();
    EXPECT_EQ(s.recOption, 2);  // saved at once

    platform::AudioSourceInfo headset;
    headset.name = "bluez_input.headset";
    headset.description = "Headset";
    audio.addSource(headset);
    static_cast<platform::OpeningComboBox*>(sources)->showPopup();  // the list is read again when it opens
    sources->hidePopup();
    EXPECT_EQ(sources->count(), 2);
}

TEST_F(AudioTestDlgTest, CancelKeepsTheLoopbackOn) {
    Settings& s = fp.ctx.settings;
    s.audioSource = "VozEza5";
    const auto d = open();
    s.vistaAudio = 0;
    d->reject();
    EXPECT_EQ(s.vistaAudio, 1);
}

}  // namespace
}  // namespace talvora
