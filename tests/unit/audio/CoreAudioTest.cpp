#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "audio/CoreAudio.h"
#include "platform/audio/AudioErrors.h"
#include "platform/audio/fake/FakeAudioSystem.h"

namespace {

using ::testing::HasSubstr;
using platform::IDNO;
using platform::IDYES;

class CoreAudioTest : public ::testing::Test {
protected:
    // The default sink "speakers" and, when `micRate` is not 0, the default
    // source "microphone".
    void desktop(int speakersRate, int speakersChannels, int micRate) {
        audio.addSink({0, "speakers", "Speakers", "", {speakersRate, speakersChannels, 32, true}});
        audio.setDefaultSink("speakers");
        if (micRate == 0) return;
        platform::AudioSourceInfo mic;
        mic.name = "microphone";
        mic.description = "Built-in Microphone";
        mic.sampleFormat = {micRate, 1, 16, false};
        audio.addSource(mic);
        audio.setDefaultSource("microphone");
    }

    std::vector<std::string> opened() const {
        std::vector<std::string> files;
        for (const auto& call : fake.launcher.calls) files.push_back(call.file);
        return files;
    }

    std::string log() const {
        std::string all;
        for (const auto& line : fake.log.lines()) all += line;
        return all;
    }

    talvora::test::FakePlatform fake;
    platform::FakeAudioSystem audio;
    int exits = 0;
    talvora::CoreAudio core{fake.ctx, audio, [this] { ++exits; }};
};

TEST_F(CoreAudioTest, PlainStereoAtTheSameRatePassesSilently) {
    desktop(48000, 2, 48000);
    EXPECT_EQ(core.CheckSpeakersFormat(), 1);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 1);
    EXPECT_TRUE(fake.messageBox.shown().empty());
    EXPECT_EQ(fake.ctx.audio.speakersRate, 48000);
    EXPECT_EQ(fake.ctx.audio.clientRate, 48000);
    EXPECT_EQ(core.state().clientBytesPerSecond, 48000u * 2);  // mono 16-bit microphone last
    EXPECT_THAT(log(), HasSubstr("\r\n\r\nINITIALIZE  Audio Client OK hr=0x00000000\r\n\r\n"));
    EXPECT_EQ(audio.openStreams("speakers.monitor"), 0);  // released again
}

TEST_F(CoreAudioTest, SpeakersAt96kHzAskTwiceWithError9AndOpenTheHelp) {
    desktop(96000, 2, 0);
    fake.messageBox.queueAnswer(IDNO);
    fake.messageBox.queueAnswer(IDNO);
    EXPECT_EQ(core.CheckSpeakersFormat(), 0);
    const auto texts = fake.messageBox.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0],
              "UNSUPPORTED SAMPLE RATE (96000Hz).\r\nSpeakers audio sample rate error. Would you like to fix now?");
    EXPECT_THAT(texts[1], HasSubstr("Stereo, 48000 or 44100 sample rate. (ERROR 9)\r\n\r\nWould you like"));
    EXPECT_EQ(opened(), std::vector<std::string>{".\\AudioHelp.rtf"});
    EXPECT_EQ(exits, 0);
}

TEST_F(CoreAudioTest, FixNowOpensTheSoundSettingsShowsTheStepsAndEnds) {
    desktop(96000, 2, 0);
    fake.ctx.recording = true;
    fake.messageBox.queueAnswer(IDYES);
    core.CheckSpeakersFormat();
    EXPECT_EQ(opened(), std::vector<std::string>{".\\sound.bat"});
    EXPECT_EQ(fake.pump.durations(), (std::vector<int>{1000, 1000}));
    ASSERT_EQ(fake.messageBox.texts().size(), 2u);
    EXPECT_THAT(fake.messageBox.texts()[1], HasSubstr("WINDOWS SPEAKERS SAMPLE RATE SETUP"));
    EXPECT_FALSE(fake.ctx.recording);
    EXPECT_EQ(exits, 1);
}

TEST_F(CoreAudioTest, RateMismatchNamesTheSpeakersFirst) {
    desktop(44100, 2, 48000);
    fake.messageBox.queueAnswer(IDNO);
    EXPECT_EQ(core.CheckSpeakersFormat(), 1);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 1);
    ASSERT_EQ(fake.messageBox.texts().size(), 1u);
    EXPECT_THAT(fake.messageBox.texts()[0], HasSubstr("are different (44100 Hz, 48000 Hz)."));
}

TEST_F(CoreAudioTest, NoMicrophoneGivesZeroWithoutAMessage) {
    desktop(48000, 2, 0);
    audio.setDefaultSource("speakers.monitor");  // only the loopback is left
    EXPECT_EQ(core.CheckMicrophoneFormat(), 0);
    EXPECT_EQ(core.GetDefaultMicrophoneName(), platform::E_FAIL);
    EXPECT_TRUE(fake.messageBox.shown().empty());
    EXPECT_TRUE(fake.launcher.calls.empty());
}

TEST_F(CoreAudioTest, SurroundMixRefusedAtStage6) {
    desktop(48000, 6, 0);
    audio.refuseStreams("speakers.monitor", platform::AUDCLNT_E_UNSUPPORTED_FORMAT);
    fake.messageBox.queueAnswer(IDNO);
    EXPECT_EQ(core.CheckSpeakersFormat(), platform::AUDCLNT_E_UNSUPPORTED_FORMAT);
    ASSERT_EQ(fake.messageBox.texts().size(), 1u);
    EXPECT_THAT(fake.messageBox.texts()[0], HasSubstr("(ERROR 6)"));
    EXPECT_EQ(opened(), std::vector<std::string>{".\\AudioHelp.rtf"});
    EXPECT_THAT(log(), HasSubstr("\r\nFormat NOT accepted by renderer"));
    EXPECT_THAT(log(), HasSubstr("\r\nSuggested format\r\nwFormatTag=3\r\nnChannels=6\r\n"));
    EXPECT_THAT(log(), HasSubstr("\r\n\r\nEXIT ERROR 0 hr=0x88890008 AUDCLNT_E_UNSUPPORTED_FORMAT"));
}

TEST_F(CoreAudioTest, SoundServerDownIsSilentApartFromTheLog) {
    desktop(48000, 2, 48000);
    audio.setAvailable(false);
    EXPECT_EQ(core.CheckSpeakersFormat(), 0);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 0);
    EXPECT_TRUE(fake.messageBox.shown().empty());
    EXPECT_THAT(log(), HasSubstr("EXIT ERROR 0 hr=0x88890010"));
}

TEST_F(CoreAudioTest, UnmuteSecondSourceMatchesPartOfTheName) {
    desktop(48000, 2, 48000);
    platform::AudioSourceInfo usb;
    usb.name = "usb_mic";
    usb.description = "USB Headset Microphone";
    usb.muted = true;
    audio.addSource(usb);
    EXPECT_EQ(core.UnmuteSecondSource("USB"), 1);
    EXPECT_EQ(core.state().secondSourceIndex, 1);  // the monitor does not count
    EXPECT_EQ(core.state().secondSourceName, "usb_mic");
    EXPECT_EQ(audio.muteChanges(), (std::vector<std::pair<std::string, bool>>{{"#2", false}}));
    EXPECT_EQ(core.UnmuteSecondSource("usb"), 1);  // case matters: no match, silently
    EXPECT_TRUE(fake.messageBox.shown().empty());
}

TEST_F(CoreAudioTest, UnmuteSecondSourceWithoutDevicesSaysSoTwice) {
    desktop(48000, 2, 0);
    EXPECT_EQ(core.UnmuteSecondSource("USB"), 0);
    EXPECT_EQ(fake.messageBox.texts(),
              (std::vector<std::string>{"No audio recording devices found (microphone disabled or disconnected)",
                                        "ERROR 105. Cannot setup second audio source USB"}));
}

TEST_F(CoreAudioTest, DefaultMicrophoneName) {
    desktop(48000, 2, 48000);
    EXPECT_EQ(core.GetDefaultMicrophoneName(), platform::S_OK);
    EXPECT_EQ(fake.ctx.audio.defaultMicrophoneName, "Built-in Microphone");
}

}  // namespace
