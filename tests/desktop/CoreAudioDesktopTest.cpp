// The endpoint probe against the virtual desktop's sound server: a 44100 Hz
// stereo null sink "speakers" and the source "microphone".
#include <QProcess>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "X11DesktopPlatform.h"
#include "audio/CoreAudio.h"
#include "platform/audio/linux/PulseAudioSystem.h"

namespace {

QString pactl(const QStringList& args) {
    QProcess p;
    p.start("pactl", args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

class CoreAudioDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") && qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs the virtual desktop";
    }

    talvora::test::X11DesktopPlatform fakes{"/tmp"};
    platform::PulseAudioSystem audio;
    int exits = 0;
    talvora::CoreAudio core{fakes.ctx, audio, [this] { ++exits; }};
};

TEST_F(CoreAudioDesktopTest, ProbePassesAt44100Hz) {
    EXPECT_EQ(core.CheckSpeakersFormat(), 1);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 1);
    EXPECT_EQ(core.state().speakerMixRate, 44100u);
    EXPECT_EQ(core.state().micMixRate, 44100u);
    EXPECT_EQ(fakes.ctx.audio.clientRate, 44100);
    EXPECT_TRUE(fakes.messageBox.shown().empty());
    EXPECT_EQ(core.GetDefaultMicrophoneName(), platform::S_OK);
    EXPECT_EQ(core.state().defaultMicName, "Microphone");
}

TEST_F(CoreAudioDesktopTest, UnmuteSecondSourceReallyUnmutesIt) {
    pactl({"set-source-mute", "microphone", "1"});
    ASSERT_THAT(pactl({"get-source-mute", "microphone"}).toStdString(), ::testing::HasSubstr("yes"));
    EXPECT_EQ(core.UnmuteSecondSource("Micro"), 1);
    EXPECT_THAT(pactl({"get-source-mute", "microphone"}).toStdString(), ::testing::HasSubstr("no"));
    EXPECT_TRUE(fakes.messageBox.shown().empty());
}

TEST_F(CoreAudioDesktopTest, ReportsASinkRunningAt96000Hz) {
    const QString module = pactl({"load-module", "module-null-sink", "sink_name=hifi", "rate=96000",
                                  "sink_properties=device.description=HiFi"});
    const QString previous = pactl({"get-default-sink"});
    pactl({"set-default-sink", "hifi"});
    fakes.messageBox.queueAnswer(platform::IDNO);
    fakes.messageBox.queueAnswer(platform::IDNO);
    EXPECT_EQ(core.CheckSpeakersFormat(), 0);
    pactl({"set-default-sink", previous});
    pactl({"unload-module", module});
    ASSERT_FALSE(fakes.messageBox.texts().empty());
    EXPECT_THAT(fakes.messageBox.texts().front(), ::testing::HasSubstr("UNSUPPORTED SAMPLE RATE (96000Hz)."));
}

TEST(CoreAudioWithoutServer, GivesUpWithinTheTimeOutSilently) {
    const QByteArray before = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    talvora::test::X11DesktopPlatform fakes{"/tmp"};
    platform::PulseAudioSystem audio(std::chrono::milliseconds(500));
    talvora::CoreAudio core{fakes.ctx, audio, [] {}};
    EXPECT_EQ(core.CheckSpeakersFormat(), 0);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 0);
    EXPECT_TRUE(fakes.messageBox.shown().empty());
    qputenv("PULSE_SERVER", before);
}

}  // namespace
