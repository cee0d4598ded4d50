// The endpoint probe against the virtual desktop's sound server: a stereo
// null sink "speakers" and the source "microphone", at 44100 Hz on
// PulseAudio and at 48000 Hz, its own rate, on PipeWire.
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

// The rate the server gives the sink or source `name` ("sinks" or "sources").
unsigned serverRate(const QString& kind, const QString& name) {
    for (const QString& line : pactl({"list", "short", kind}).split('\n')) {
        const QStringList fields = line.split('\t');
        // index, name, driver, "s16le 2ch 44100Hz", state
        if (fields.size() > 3 && fields[1] == name) return fields[3].section(' ', -1).chopped(2).toUInt();
    }
    return 0;
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

TEST_F(CoreAudioDesktopTest, ProbePassesAtTheServersRate) {
    const unsigned rate = serverRate("sinks", "speakers");
    ASSERT_THAT(rate, ::testing::AnyOf(44100u, 48000u));
    ASSERT_EQ(serverRate("sources", "microphone"), rate);
    EXPECT_EQ(core.CheckSpeakersFormat(), 1);
    EXPECT_EQ(core.CheckMicrophoneFormat(), 1);
    EXPECT_EQ(core.state().speakerMixRate, rate);
    EXPECT_EQ(core.state().micMixRate, rate);
    EXPECT_EQ(fakes.ctx.audio.clientRate, static_cast<int>(rate));
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
