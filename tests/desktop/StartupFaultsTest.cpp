// The recorder program meeting faults from outside, on the virtual desktop:
// no display, a recordings folder that is a file, a settings disk that is
// full. It tells the user and stays alive; a recording made once the fault is
// gone works.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RecorderProcessTest.h"
#include "platform/desktop/linux/X11Session.h"

namespace {

namespace fs = std::filesystem;
using talvora::test::answerMessageBoxes;
using talvora::test::kStartStopKey;
using talvora::test::readFile;
using talvora::test::waitFor;

// Runs one of the built programs with `environment` changed; its exit code
// and what it wrote to stderr.
struct Ended {
    int code = -1;
    std::string errors;
};
Ended runProgram(const QString& name, const std::vector<std::pair<QString, QString>>& set, const QString& unset) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [key, value] : set) env.insert(key, value);
    if (!unset.isEmpty()) env.remove(unset);
    p.setProcessEnvironment(env);
    p.start(QString(TALVORA_PROGRAM_DIR) + "/" + name, {});
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError().toStdString()};
}

TEST(NoDisplayTest, ProgramsSayTheyNeedAnX11SessionAndFail) {
    for (const QString program : {"talvora", "hushloop"}) {
        const Ended unset = runProgram(program, {}, "DISPLAY");
        EXPECT_EQ(unset.code, 1) << program.toStdString();
        EXPECT_NE(unset.errors.find("needs an X11 desktop session, but DISPLAY is not set."), std::string::npos)
            << unset.errors;

        const Ended dead = runProgram(program, {{"DISPLAY", ":4093"}}, {});
        EXPECT_EQ(dead.code, 1) << program.toStdString();
        EXPECT_NE(dead.errors.find("the X display \":4093\" cannot be opened"), std::string::npos) << dead.errors;
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        EXPECT_FALSE(platform::x11SessionProblem("Talvora").has_value());
    }
}

// A folder with a file system mounted on it for the test, unmounted at the end.
class TemporaryMount {
public:
    explicit TemporaryMount(const QString& folder) : folder_(folder.toStdString()) { QDir().mkpath(folder); }
    ~TemporaryMount() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    TemporaryMount(const TemporaryMount&) = delete;
    TemporaryMount& operator=(const TemporaryMount&) = delete;

    // A small file system of its own, to fill up.
    bool smallDisk(const char* size) {
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
        return mounted_;
    }
    // `source` seen through the folder, read-only.
    bool readOnlyView(const QString& source) {
        mounted_ = ::mount(source.toStdString().c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        return mounted_ &&
               ::mount(nullptr, folder_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Writes a filler file until the disk is full.
    void fill() {
        std::ofstream filler(folder_ + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    void makeRoom() { fs::remove(folder_ + "/filler"); }

private:
    std::string folder_;
    bool mounted_ = false;
};

class StartupFaultsTest : public talvora::test::RecorderProcessTest {
protected:
    QProcess* startMeeting() {
        return start("ffplay",
                     {"-loglevel", "quiet", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=15", "-window_title",
                      "Zoom Meeting", "-left", "60", "-top", "60"},
                     "ffplay.log");
    }

    // Clicks the title bar's minimise button of the "MINI" layout: the
    // recorder window hides, as it does while recording.
    bool minimise(platform::WindowId recorder) {
        QProcess::execute("xdotool", {"mousemove", "--window", QString::number(recorder), "179", "12", "click", "1"});
        return waitFor([&] { return !windows.isVisible(recorder); }, 5000);
    }
    bool logged(const std::string& text) { return readFile(home.filePath("recorder.log")).find(text) != std::string::npos; }
    bool waitLogged(const std::string& text, int timeout_ms = 10000) {
        return waitFor([&] { return logged(text); }, timeout_ms);
    }
    // Keeps answering boxes for a while, as a user clicking OK would.
    void answerFor(int ms) {
        waitFor(
            [&] {
                answerMessageBoxes();
                return false;
            },
            ms);
    }

    // A hotkey recording of about `seconds`; the new files of the folder.
    QStringList recordWithHotkey(platform::WindowId recorder, const QString& folder, int seconds) {
        const QStringList before = QDir(folder).entryList({"*.wmv"});
        QProcess::execute("xdotool", {"key", kStartStopKey});
        waitFor([&] { return !windows.isVisible(recorder); }, 5000);
        QTest::qWait(seconds * 1000);
        QProcess::execute("xdotool", {"key", kStartStopKey});
        waitFor([&] { return windows.isVisible(recorder); }, 15000);
        QTest::qWait(2000);
        QStringList added;
        for (const QString& name : QDir(folder).entryList({"*.wmv"}))
            if (!before.contains(name)) added << QDir(folder).filePath(name);
        return added;
    }

    static double durationOf(const QString& file) {
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
        probe.waitForFinished(20000);
        return std::atof(probe.readAllStandardOutput().constData());
    }

};

TEST_F(StartupFaultsTest, RecordingsFolderThatIsAFileLeavesTheRecorderIdle) {
    startMeeting();  // a window with the keyboard focus, for the hotkey
    QProcess* recorder = startRecorder("recorder.log");
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    const QString folder = home.filePath("Videos/Talvora Recordings");
    ASSERT_TRUE(QDir(folder).removeRecursively());
    {
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }

    // With the recorder window hidden, the boxes are the only windows it has.
    ASSERT_TRUE(minimise(window));
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitLogged("Talvora Message: Cannot find recording folder " + folder.toStdString()))
        << readFile(home.filePath("recorder.log"));
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return logged("Talvora Message: Failed to setup recording file name");
        },
        10000));
    answerFor(3000);
    ASSERT_EQ(recorder->state(), QProcess::Running) << "exit code " << recorder->exitCode();

    // With the folder back, the hotkey records.
    QFile::remove(folder);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList files = recordWithHotkey(window, folder, 4);
    ASSERT_EQ(files.size(), 1);
    EXPECT_GE(durationOf(files[0]), 3.0);
    EXPECT_EQ(recorder->state(), QProcess::Running);
}

TEST_F(StartupFaultsTest, FullSettingsDiskKeepsTheRecorderAndSavesOnceThereIsRoom) {
    TemporaryMount disk(home.filePath("config"));
    if (!disk.smallDisk("4m")) GTEST_SKIP() << "cannot mount a file system here";  // the pictures take 250 KB
    startMeeting();
    QProcess* recorder = startRecorder("recorder.log", home.filePath("config"));
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    const QString settings = home.filePath("config/Corvane Telmark 2/settings_rp_goog.ini");
    const auto xTop = [&] {
        const std::string text = readFile(settings);
        const auto at = text.find("\r\nxTop: ");
        return at == std::string::npos ? std::string() : text.substr(at + 8, text.find('\r', at + 8) - at - 8);
    };
    // The tracker has taken the meeting window and saved its rectangle.
    ASSERT_TRUE(waitFor([&] { return xTop() != "" && xTop() != "150"; }, 10000))
        << readFile(settings) << readFile(home.filePath("recorder.log"));
    const std::string trackedLeft = xTop();

    ASSERT_TRUE(minimise(window));
    disk.fill();
    const platform::WindowId meetingWindow = windows.find("Zoom Meeting");
    ASSERT_NE(meetingWindow, 0u);
    QProcess::execute("xdotool", {"windowmove", QString::number(meetingWindow), "400", "300"});
    ASSERT_TRUE(waitLogged("Talvora Message: Cannot find or open file " + settings.toStdString() +
                           ". Cannot save settings"));
    answerFor(4000);
    ASSERT_EQ(recorder->state(), QProcess::Running) << "exit code " << recorder->exitCode();
    EXPECT_EQ(xTop(), trackedLeft) << "the full disk kept the old file";

    // Room again: the next save writes the record that moved with the window.
    disk.makeRoom();
    ASSERT_TRUE(waitFor([&] { return xTop() != trackedLeft; }, 5000)) << readFile(settings);
    EXPECT_NE(readFile(settings).find("\r\nSetup: 1\r\n"), std::string::npos);
    const QStringList files = recordWithHotkey(window, home.filePath("Videos/Talvora Recordings"), 3);
    ASSERT_EQ(files.size(), 1);
    EXPECT_GE(durationOf(files[0]), 2.0);
}

// An installed program's folder takes no files, and no videos folder can be
// made: the recordings go to the user's data home, and the user is told.
TEST_F(StartupFaultsTest, ReadOnlyProgramFolderWithoutVideosSavesRecordingsInTheDataHome) {
    TemporaryMount program(home.filePath("program"));
    if (!program.readOnlyView(TALVORA_PROGRAM_DIR)) GTEST_SKIP() << "cannot mount a file system here";
    {
        QFile videos(home.filePath("Videos"));
        ASSERT_TRUE(videos.open(QIODevice::WriteOnly));
    }
    startMeeting();
    QProcess* recorder = start(home.filePath("program/talvora"), {}, "recorder.log");
    const QString folder = home.filePath(".local/share/Talvora Recordings");
    ASSERT_TRUE(waitLogged("Talvora Message: Talvora recordings will be saved in:\n\n" + folder.toStdString()))
        << readFile(home.filePath("recorder.log"));
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    const std::string log = readFile(home.filePath("recorder.log"));
    const std::string told = "Talvora recordings will be saved in:";
    EXPECT_EQ(log.find(told), log.rfind(told)) << "told once";
    EXPECT_NE(readFile(home.filePath(".config/Corvane Telmark 2/settings_rp_goog.ini"))
                  .find("\r\nRecording Folder: " + folder.toStdString() + "\r\n"),
              std::string::npos);

    const QStringList files = recordWithHotkey(window, folder, 3);
    ASSERT_EQ(files.size(), 1);
    EXPECT_GE(durationOf(files[0]), 2.0);
    EXPECT_EQ(recorder->state(), QProcess::Running);
    recorder->kill();
    recorder->waitForFinished(3000);  // the program folder is unmounted next
}

}  // namespace
