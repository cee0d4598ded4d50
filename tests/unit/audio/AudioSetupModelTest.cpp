#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "audio/AudioSetupModel.h"
#include "audio/CoreAudio.h"
#include "audio/LoopbackNames.h"
#include "platform/audio/fake/FakeAudioSystem.h"

namespace {

using talvora::AudioSetupModel;

TEST(LoopbackNames, LastMatchWinsWhateverTheFragment) {
    const struct {
        std::vector<std::string> names;
        int expected;
    } cases[] = {
        {{"Microphone", "Stereo Mix", "Wave"}, 2},
        {{"Stereo Mix", "Microphone"}, 0},
        {{"What U Hear", "Line In", "MASTER VOLUME"}, 2},
        {{"Rec. Playback", "Mic"}, 0},
        {{"Microphone", "Line In"}, -1},
        {{}, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(talvora::LastLoopbackLike(c.names), c.expected) << c.names.size();
}

class AudioSetupModelTest : public ::testing::Test {
protected:
    void addSource(const std::string& name, const std::string& description,
                   std::vector<platform::AudioPort> ports = {}) {
        platform::AudioSourceInfo source;
        source.name = name;
        source.description = description;
        source.ports = std::move(ports);
        source.sampleFormat = {48000, 2, 16, false};
        audio.addSource(source);
    }

    talvora::test::FakePlatform fake;
    platform::FakeAudioSystem audio;
    talvora::CoreAudio core{fake.ctx, audio, [] {}};
    int saves = 0;
    AudioSetupModel model{fake.ctx, audio, core,
                          AudioSetupModel::Hooks{[](const std::string&) { return true; }, [] {}, [] {},
                                                 [this] {
                                                     ++saves;
                                                     return true;
                                                 }}};
};

TEST_F(AudioSetupModelTest, SelectingASourceTakesItsLastLoopbackLikeInput) {
    addSource("card", "Sound Card", {{"mic", "Microphone"}, {"mix", "Stereo Mix"}, {"wave", "Wave"}});
    fake.ctx.settings.audioSource = "Sound Card";
    ASSERT_EQ(model.FillAudioSources(), 1);
    EXPECT_EQ(model.inputs(), (std::vector<std::string>{"Microphone", "Stereo Mix", "Wave"}));
    EXPECT_EQ(model.selectedInput(), 2);
    EXPECT_EQ(fake.ctx.settings.audioInput, "Wave");
}

TEST_F(AudioSetupModelTest, VirtualAudioSourcesAreNeverListed) {
    addSource("a", "Microphone");
    addSource("v", "virtual-audio-capturer");
    addSource("b", "Stereo Mix");
    ASSERT_EQ(model.FillAudioSources(), 1);
    EXPECT_EQ(model.sources(), (std::vector<std::string>{"Microphone", "Stereo Mix"}));
    // The last loopback-like source becomes the primary one.
    EXPECT_EQ(fake.ctx.settings.audioSource, "Stereo Mix");
}

TEST_F(AudioSetupModelTest, AnUnlistedSourceIsKeptWhenNothingIsSelected) {
    // The loopback filter is never listed: with it stored, nothing is
    // selected, and the source created last must not take its place.
    addSource("mic", "Microphone", {{"analog-input-mic", "Microphone"}});
    addSource("line", "Line In", {{"analog-input-linein", "Line In"}});
    fake.ctx.settings.audioSource = "VozEza5";
    fake.ctx.settings.audioInput = "";
    fake.ctx.settings.audioOutput = "Out";
    ASSERT_EQ(model.FillAudioSources(), 1);
    EXPECT_EQ(model.selectedSource(), -1);
    EXPECT_EQ(fake.ctx.settings.audioSource, "VozEza5");
    EXPECT_EQ(fake.ctx.settings.audioInput, "");
    EXPECT_TRUE(model.inputs().empty());
    model.SelectAudioInputLine(0);  // no current source: nothing to switch
    EXPECT_EQ(fake.ctx.settings.audioInput, "");

    // Choosing an entry afterwards takes it.
    ASSERT_EQ(model.OnAudioSourceChanged(1), 1);
    EXPECT_EQ(fake.ctx.settings.audioSource, "Line In");
}

TEST_F(AudioSetupModelTest, MicrophonePickFollowsTheDefaultName) {
    const struct {
        const char* defaultName;
        std::vector<std::string> entries;
        const char* expected;
    } cases[] = {
        {"Headset USB Audio", {"Line In", "USB Audio"}, "USB Audio"},  // default contains the entry
        {"Line", {"Speakers Mix", "Line In 2"}, "Line In 2"},          // the entry contains the default
        {"Something", {"Line In", "MY MICROPHONE"}, "MY MICROPHONE"},  // the word, any case
        {"", {"Line In", "Webcam Microphone"}, "Webcam Microphone"},   // no default: not the first entry
        {"Something", {"Line In", "Stereo Mix"}, "kept"},              // no winner
    };
    for (const auto& c : cases) {
        talvora::test::FakePlatform f;
        platform::FakeAudioSystem a;
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            platform::AudioSourceInfo source;
            source.name = "s" + std::to_string(i);
            source.description = c.entries[i];
            a.addSource(source);
        }
        talvora::CoreAudio coreAudio{f.ctx, a, [] {}};
        AudioSetupModel m{f.ctx, a, coreAudio,
                          AudioSetupModel::Hooks{[](const std::string&) { return false; }, [] {}, [] {},
                                                 [] { return true; }}};
        f.ctx.settings.audioSource = c.entries.front();
        ASSERT_EQ(m.FillAudioSources(), 1);
        f.ctx.audio.defaultMicrophoneName = c.defaultName;
        f.ctx.settings.audioSource1 = "kept";
        EXPECT_EQ(m.PickMicrophoneSource(), 1);
        EXPECT_EQ(f.ctx.settings.audioSource1, c.expected) << c.defaultName;
    }
}

TEST_F(AudioSetupModelTest, RemoteVolumeIsLoweredBy90PercentAtMost) {
    fake.ctx.audio.defaultMicrophoneName = "Mic";
    const struct {
        const char* volume;
        AudioSetupModel::Outcome outcome;
        int procVolume;
    } cases[] = {{"91", AudioSetupModel::Outcome::Stay, 0}, {"90", AudioSetupModel::Outcome::Close, 90}};
    for (const auto& c : cases) {
        fake.messageBox.clear();
        fake.ctx.settings.procVolume = 0;
        AudioSetupModel::Confirmation dialog{true, false, "Mic", c.volume};
        EXPECT_EQ(model.ApplyAudioSetup(dialog), c.outcome) << c.volume;
        EXPECT_EQ(fake.ctx.settings.procVolume, c.procVolume);
        EXPECT_EQ(fake.ctx.settings.audioSource, "VozEza5");
        EXPECT_EQ(fake.ctx.settings.audioOutput, "Out");
    }
    fake.messageBox.clear();
    AudioSetupModel::Confirmation dialog{true, false, "Mic", "91"};
    model.ApplyAudioSetup(dialog);
    EXPECT_EQ(fake.messageBox.texts(), std::vector<std::string>{"Recorded volume can only be lowered by 90%"});
}

TEST_F(AudioSetupModelTest, SelectingAnInputLineSwitchesTheSourcePort) {
    addSource("card", "Sound Card", {{"analog-input-mic", "Microphone"}, {"analog-input-linein", "Line In"}});
    fake.ctx.settings.audioSource = "Sound Card";
    ASSERT_EQ(model.FillAudioSources(), 1);
    model.SelectAudioInputLine(1);
    std::vector<platform::AudioSourceInfo> all;
    audio.sources(all);
    EXPECT_EQ(all[0].activePort, "analog-input-linein");
    EXPECT_EQ(fake.ctx.settings.audioInput, "Line In");
    EXPECT_EQ(saves, 1);  // VistaAudio 0: saved
}

TEST_F(AudioSetupModelTest, SmartMicrophoneOptions) {
    const struct {
        int smartMic, recOption, shown;
    } cases[] = {{0, 0, 2}, {1, -1, 1}, {1, 0, 0}, {1, 2, 2}};
    for (const auto& c : cases) {
        fake.ctx.settings.smartMic = c.smartMic;
        fake.ctx.settings.recOption = c.recOption;
        EXPECT_EQ(model.shownSmartMicOption(), c.shown);
    }
    EXPECT_FALSE(model.enableSmartMic(false));
    EXPECT_EQ(fake.messageBox.texts(),
              std::vector<std::string>{
                  "Smart Microphone is available when local audio stream (microphone) is selected"});
}

}  // namespace
