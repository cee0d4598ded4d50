// Conversions with the real ffmpeg: of a recording the program makes itself
// on the virtual desktop, and of files whose names a shell would misread.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>
#include <sstream>

#include "DesktopWait.h"
#include "FreshInstallation.h"
#include "RecordingDesktopTest.h"
#include "library/Conversions.h"
#include "platform/audio/fake/FakeSoundPlayer.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeMessagePump.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/fake/FakeDisplay.h"
#include "platform/desktop/fake/FakeWindowMessages.h"
#include "platform/desktop/fake/FakeWindows.h"
#include "platform/desktop/linux/X11Windows.h"
#include "platform/shell/fake/FakeFolders.h"
#include "platform/shell/fake/FakeRegistry.h"
#include "platform/shell/fake/FakeSystemInfo.h"
#include "platform/shell/linux/PosixLauncher.h"

namespace talvora::test {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string probe(const std::string& file, const char* entries, const char* stream = nullptr) {
    QStringList args{"-v", "error"};
    if (stream != nullptr) args << "-select_streams" << stream;
    args << "-show_entries" << entries << "-of" << "csv=p=0" << QString::fromStdString(file);
    QProcess p;
    p.start("ffprobe", args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

// Children of this process that ended and were never reaped.
int zombieChildren() {
    int zombies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        long parent = 0;
        rest >> state >> parent;
        if (state == 'Z' && parent == ::getpid()) ++zombies;
    }
    return zombies;
}

// The probe helpers of the recording tests.
struct Sound : RecordingDesktopTest {
    using RecordingDesktopTest::decodedSound;
    using RecordingDesktopTest::dominantFrequency;
};

// Fakes for everything but the launcher, which is the real one.
struct WithRealLauncher {
    platform::FakeMessageBox messageBox;
    platform::FakeLog log;
    platform::FakeMessagePump pump;
    platform::FakeProcessControl process;
    platform::FakeFolders folders;
    platform::PosixLauncher launcher;
    platform::FakeRegistry registry;
    platform::FakeSystemInfo system;
    platform::FakeWindows windows;
    platform::FakeWindowMessages messages;
    platform::FakeDisplay display;
    platform::FakeSoundPlayer sound;
    Platform platform{messageBox, log,     pump,    process,  folders, launcher,
                      registry,   system,  windows, messages, display, sound};
    AppContext ctx{platform};
};

void answerMessageBoxes() {
    QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Talvora Message$'); do "
                                   "xdotool windowactivate --sync $w key --window $w Return; done"});
}

TEST(ConversionDesktopTest, NamesAShellWouldMisreadConvertAndRunNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string name = "-say \"hi\" $(touch pwned); `touch pwned2` \u00e9t\u00e9's.wmv";
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=15",
                                           "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "3",
                                           "-c:v", "wmv1", "-c:a", "wmav2", "-f", "asf",
                                           QString::fromStdString(folder + "/" + name)}),
              0);

    WithRealLauncher fp;
    AppContext& ctx = fp.ctx;
    ctx.settings.recordingFolder = folder;
    ctx.settings.audioBitrate = 64;
    std::mutex mutex;
    std::vector<std::string> statuses;
    {
        Conversions conversions(ctx, [&](const std::string& text) {
            std::lock_guard lock(mutex);
            statuses.push_back(text);
        });
        conversions.ConvertToMp4(kFromBrowser, folder + "/" + name);
        conversions.ConvertToMp3(kFromBrowser, folder + "/" + name);
        conversions.waitForAll();
    }
    const std::string stem = folder + "/" + name.substr(0, name.size() - 4);
    EXPECT_EQ(probe(stem + ".mp4", "stream=codec_name,width,height", "v:0"), "h264,320,240");
    EXPECT_EQ(probe(stem + ".mp3", "stream=codec_name"), "mp3");
    EXPECT_NEAR(Sound::dominantFrequency(Sound::decodedSound(stem + ".mp3"), 44100), 440.0, 15.0);
    EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                            [](const std::string& s) { return s.rfind("Done converting: ", 0) == 0; }),
              2);
    EXPECT_TRUE(fp.messageBox.texts().empty());
    EXPECT_EQ(zombieChildren(), 0);
    for (const char* stray : {"pwned", "pwned2"}) {
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + stray));
        EXPECT_FALSE(std::filesystem::exists(stray));
    }
}

TEST(ConversionDesktopTest, RecordingMadeByTheProgramEndsAsMp4AndMp3) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // Settings with both conversions on, from the template beside the program
    // (marked as set up, so that the first run leaves them).
    const QString data = home.filePath(".config/Corvane Telmark 2");
    QDir().mkpath(data);
    std::string settings = readFile(std::string(TALVORA_PROGRAM_DIR) + "/settings_rp_goog_init.ini");
    for (const char* key : {"ConvertMP4: ", "ConvertMP3: ", "Setup: "}) {
        const auto at = settings.find(key);
        ASSERT_NE(at, std::string::npos);
        settings[at + std::strlen(key)] = '1';
    }
    std::ofstream(data.toStdString() + "/settings_rp_goog.ini", std::ios::binary) << settings;

    QProcess meeting;
    meeting.start("ffplay", {"-loglevel", "quiet", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=15",
                             "-window_title", "Zoom Meeting", "-left", "60", "-top", "60"});
    const QString tone = home.filePath("tone.wav");
    QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", tone, "synth", "40", "sine", "440", "vol", "0.5"});
    QProcess player;
    player.start("paplay", {tone});
    QProcess recorderProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_CONFIG_HOME");
    const QString log = home.filePath("recorder.log");
    env.insert("TALVORA_LOG", log);
    recorderProcess.setProcessEnvironment(env);
    recorderProcess.start(QString(TALVORA_PROGRAM_DIR) + "/talvora", {});

    platform::X11Windows windows;
    platform::WindowId recorder = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            recorder = windows.find("Talvora");
            return windows.isVisible(recorder);
        },
        20000));
    confirmMicrophoneDuringFirstTicks(3000);  // the tracker has taken the meeting window by now
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(recorder); }, 5000)) << "the recorder hides";
    QTest::qWait(8000);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(recorder); }, 15000)) << "the recorder comes back";

    const QDir folder(home.filePath("Videos/Talvora Recordings"));
    ASSERT_TRUE(waitFor(
        [&] {
            const std::string text = readFile(log.toStdString());
            return text.find("Done converting: ") != std::string::npos &&
                   text.find("Done converting: ", text.find("Done converting: ") + 1) != std::string::npos;
        },
        60000))
        << readFile(log.toStdString());
    const std::string text = readFile(log.toStdString());
    EXPECT_NE(text.find("Converting to MP4: "), std::string::npos);
    EXPECT_NE(text.find("Converting to MP3: "), std::string::npos);
    EXPECT_EQ(text.find("Error converting"), std::string::npos);

    const QStringList recordings = folder.entryList({"Zoom_*.wmv"});
    ASSERT_EQ(recordings.size(), 1);
    const std::string wmv = folder.filePath(recordings[0]).toStdString();
    const std::string stem = wmv.substr(0, wmv.size() - 4);
    const std::string size = probe(wmv, "stream=width,height", "v:0");
    EXPECT_EQ(probe(stem + ".mp4", "stream=codec_name,width,height", "v:0"), "h264," + size);
    const double wmvDuration = std::stod(probe(wmv, "format=duration"));
    EXPECT_NEAR(std::stod(probe(stem + ".mp4", "format=duration")), wmvDuration, 0.5);
    EXPECT_EQ(probe(stem + ".mp3", "stream=codec_name"), "mp3");
    EXPECT_NEAR(Sound::dominantFrequency(Sound::decodedSound(stem + ".mp3"), 44100), 440.0, 15.0);

    for (QProcess* p : {&recorderProcess, &meeting, &player}) {
        p->kill();
        p->waitForFinished(3000);
    }
    waitFor([&] { return windows.find("Silence") == 0; }, 5000);
}

}  // namespace
}  // namespace talvora::test
