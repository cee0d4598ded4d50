// The recorder program driven from outside as a user drives it: quick clicks
// and hotkeys, a minimised window, the end of the desktop session.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "RecorderProcessTest.h"
#include "platform/desktop/DialogControls.h"

namespace talvora {
namespace {

using talvora::test::answerMessageBoxes;
using talvora::test::kStartStopKey;
using talvora::test::waitFor;

// Where the MINI layout at scale 100 has its controls, from its top left.
constexpr int kRecordX = 78, kRecordY = 39;
constexpr int kSettingsX = 25, kSettingsY = 39;
constexpr int kMinimiseX = 180, kMinimiseY = 13;
constexpr int kSettingsMenuBar = 25;

void click(platform::WindowId window, int x, int y) {
    QProcess::execute("xdotool", {"mousemove", "--window", QString::number(window), QString::number(x),
                                  QString::number(y), "click", "1"});
}

// Duration in seconds, and whether the whole file decodes without an error.
struct Probe {
    double duration_s = 0;
    bool decodes = false;
};

Probe probe(const QString& file) {
    Probe result;
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
    p.waitForFinished(20000);
    result.duration_s = p.readAllStandardOutput().trimmed().toDouble();
    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-i", file, "-f", "null", "-"});
    decode.waitForFinished(60000);
    result.decodes = decode.exitCode() == 0 && decode.readAllStandardError().trimmed().isEmpty();
    return result;
}

class RecorderSessionDesktopTest : public test::RecorderProcessTest {
protected:
    void SetUp() override {
        test::RecorderProcessTest::SetUp();
        if (IsSkipped()) return;
        startMeetingAndTone();
    }
    void TearDown() override {
        test::RecorderProcessTest::TearDown();
        if (!mounted.isEmpty()) QProcess::execute("umount", {"-l", mounted});
    }

    // The recorder, talking to the sound server at `pulseServer` when given.
    QProcess* startRecorder(const QString& pulseServer = {}) {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        if (!pulseServer.isEmpty()) qputenv("PULSE_SERVER", pulseServer.toUtf8());
        QProcess* p = test::RecorderProcessTest::startRecorder(QString("recorder%1.log").arg(processes.size()));
        qputenv("PULSE_SERVER", saved);
        if (saved.isEmpty()) qunsetenv("PULSE_SERVER");
        return p;
    }

    // The recorder window shown, its boxes answered: the one titled "Talvora"
    // that is not the 1 x 1 frame.
    platform::WindowId waitForRecorder() {
        platform::WindowId id = 0;
        test::waitFor(
            [&] {
                test::answerMessageBoxes();
                id = recorderWindow();
                return id != 0 && windows.isVisible(id);
            },
            20000);
        test::confirmMicrophoneDuringFirstTicks(3000);  // the tracker has taken the meeting window by now
        return id;
    }
    platform::WindowId recorderWindow() {
        for (platform::WindowId w : windows.topLevel())
            if (windows.title(w) == "Talvora" && windows.rect(w).width() > 100) return w;
        return 0;
    }

    // The recordings folder on a small file system of its own.
    bool mountRecordings(const QString& options) {
        if (::geteuid() != 0) return false;
        const QString folder = home.filePath("Videos/Talvora Recordings");
        QDir().mkpath(folder);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", folder}) != 0) return false;
        mounted = folder;
        return true;
    }

    std::string log(int recorder = 0) const {
        QFile f(home.filePath(QString("recorder%1.log").arg(recorder)));
        f.open(QIODevice::ReadOnly);
        return f.readAll().toStdString();
    }
    bool logged(const std::string& text, int recorder = 0) const { return log(recorder).find(text) != std::string::npos; }

    QStringList recordings() const {
        return QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv"}, QDir::Files, QDir::Name);
    }
    QString recordingPath(const QString& name) const { return home.filePath("Videos/Talvora Recordings/" + name); }

    QString mounted;
};

TEST_F(RecorderSessionDesktopTest, TerminationSignalFinishesTheRecording) {
    QProcess* recorder = startRecorder();
    ASSERT_NE(waitForRecorder(), 0u);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return !recordings().isEmpty(); }, 5000));
    QTest::qWait(6000);
    ASSERT_TRUE(sendSignal(*recorder, SIGTERM)) << "the recorder ended while it recorded";
    ASSERT_TRUE(waitFor([&] { return recorder->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(recorder->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(recorder->exitCode(), 0);
    ASSERT_EQ(recordings().size(), 1);
    const Probe p = probe(recordingPath(recordings()[0]));
    EXPECT_GE(p.duration_s, 5.0) << "the header holds the duration: the writer was finished";
    EXPECT_TRUE(p.decodes);
}

TEST_F(RecorderSessionDesktopTest, ASecondStartBringsTheMinimisedRecorderBack) {
    startRecorder();
    const platform::WindowId recorder = waitForRecorder();
    ASSERT_NE(recorder, 0u);
    click(recorder, kMinimiseX, kMinimiseY);
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(recorder); }, 5000)) << "minimise hides the window";
    QProcess* second = startRecorder();
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return second->state() == QProcess::NotRunning;
        },
        15000));
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(recorder); }, 5000)) << "the running recorder is restored";
}

TEST_F(RecorderSessionDesktopTest, QuickClicksAndHotkeysNeverLoseARecording) {
    QProcess* recorder = startRecorder();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    // Clicks and hotkey presses at every pace: inside a start's and a stop's
    // waits, and just after them.
    const int pauses_ms[] = {100, 250, 600, 1000, 1500, 2500, 400, 50, 1250, 3000};
    for (int round = 0; round < 20; ++round) {
        const int pause = pauses_ms[round % 10];
        if (round % 3 == 2) QProcess::execute("xdotool", {"key", kStartStopKey});
        else click(window, kRecordX, kRecordY);
        QTest::qWait(pause);
        if (round % 4 == 1) {
            click(window, kRecordX, kRecordY);
            QTest::qWait(pause / 2);
        }
        answerMessageBoxes();
        ASSERT_EQ(recorder->state(), QProcess::Running) << "round " << round;
    }
    // Settle, then end whatever runs with one more press if a file still grows.
    QTest::qWait(6000);
    answerMessageBoxes();
    const auto sizes = [&] {
        qint64 total = 0;
        for (const QString& f : recordings()) total += QFileInfo(recordingPath(f)).size();
        return total;
    };
    const qint64 before = sizes();
    QTest::qWait(2000);
    if (sizes() != before) {
        click(window, kRecordX, kRecordY);
        QTest::qWait(6000);
    }
    EXPECT_EQ(sizes(), [&] {
        const qint64 now = sizes();
        QTest::qWait(2000);
        return now;
    }()) << "no recording runs once it was stopped";
    EXPECT_TRUE(windows.isVisible(window)) << "the recorder is shown when nothing records";
    ASSERT_EQ(recorder->state(), QProcess::Running);

    const QStringList files = recordings();
    EXPECT_FALSE(files.isEmpty());
    for (const QString& f : files) {
        const Probe p = probe(recordingPath(f));
        EXPECT_GT(p.duration_s, 0.5) << f.toStdString();
        EXPECT_TRUE(p.decodes) << f.toStdString();
    }
}

TEST_F(RecorderSessionDesktopTest, TheHotkeyRecordsWhileADialogOfTheSettingsIsOpen) {
    QProcess* recorder = startRecorder();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    // "&SETTINGS", then its "Video Settings" button.
    click(window, kSettingsX, kSettingsY);
    platform::WindowId settings = 0;
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(settings = windows.find("Settings")); }, 5000));
    click(settings, platform::dluX(134 + 45), kSettingsMenuBar + platform::dluY(8 + 7));
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(windows.find("Talvora - Video Settings")); }, 5000));

    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(window) && !recordings().isEmpty(); }, 10000));
    EXPECT_TRUE(waitFor([&] { return !windows.isVisible(windows.find("Talvora - Video Settings")); }, 5000))
        << "the start closes the settings with their dialogs";
    const QString file = recordingPath(recordings()[0]);
    ASSERT_TRUE(waitFor([&] { return QFileInfo(file).size() > 100000; }, 20000));
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(window); }, 15000)) << "the recording stops";
    ASSERT_EQ(recorder->state(), QProcess::Running);
    const Probe p = probe(file);
    EXPECT_GT(p.duration_s, 1.0);
    EXPECT_TRUE(p.decodes);
}

// The program's windows that are mapped: menus included.
int visibleRecorderWindows() {
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--classname", "^talvora$"});
    search.waitForFinished(5000);
    return static_cast<int>(QString(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size());
}

TEST_F(RecorderSessionDesktopTest, DeletingTheFileBeingRecordedIsRefusedAndTheRecordingSurvives) {
    QDir().mkpath(recordingPath(""));
    QFile older(recordingPath("older.wmv"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.close();
    startRecorder();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);

    // PLAY, "Play recorded file": with none recorded yet, the browser opens.
    const int b = windows.rect(window).width() * 1000 / 3973;
    const int shown = visibleRecorderWindows();
    click(window, b * 5 / 2, kRecordY);
    ASSERT_TRUE(waitFor([&] { return visibleRecorderWindows() > shown; }, 5000)) << "the menu shows";
    QProcess::execute("xdotool", {"key", "Down", "Return"});
    platform::WindowId browser = 0;
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(browser = windows.find("Talvora recordings")); }, 5000));

    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return recordings().size() == 2; }, 10000)) << "the recording starts";
    const QString recording = recordings().filter("Zoom").value(0);
    // The first row, by its context menu's "&Delete files", answered Yes.
    const auto deleteFirstRow = [&] {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(browser)});
        const int before = visibleRecorderWindows();
        click(browser, 60, 48);
        QProcess::execute("xdotool", {"mousemove", "--window", QString::number(browser), "60", "48", "click", "3"});
        waitFor([&] { return visibleRecorderWindows() > before; }, 5000);
        QProcess::execute("xdotool", {"key", "d"});
    };
    const auto answerYes = [&](const std::string& question, int times) {
        std::string text = log();
        int asked = 0;
        for (auto at = text.find(question); at != std::string::npos; at = text.find(question, at + 1)) ++asked;
        if (asked < times) return false;
        QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Talvora Message$'); do "
                                       "xdotool windowactivate --sync $w key --window $w y; done"});
        return true;
    };
    // The older file first: the refilled list then holds the recording.
    deleteFirstRow();
    ASSERT_TRUE(waitFor([&] { return answerYes("Permanently delete 1 file(s) ?", 1); }, 5000)) << log();
    ASSERT_TRUE(waitFor([&] { return recordings() == QStringList{recording}; }, 5000));
    deleteFirstRow();
    waitFor([&] { return answerYes("Permanently delete 1 file(s) ?", 2) || logged("still being made"); }, 5000);
    EXPECT_TRUE(logged("Talvora Message: This recording is still being made.")) << log();
    answerMessageBoxes();

    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(window); }, 15000)) << "the recording stops";
    ASSERT_EQ(recordings(), QStringList{recording});
    const Probe p = probe(recordingPath(recording));
    EXPECT_GT(p.duration_s, 1.0);
    EXPECT_TRUE(p.decodes);
}

TEST_F(RecorderSessionDesktopTest, AFullDiskStopsTheRecordingAndTheRecorderStaysUsable) {
    if (!mountRecordings("size=1m")) GTEST_SKIP() << "needs root to mount a small file system";
    QProcess* recorder = startRecorder();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    const QString settingsFile = home.filePath(".config/Corvane Telmark 2/settings_rp_goog.ini");
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return logged("is full. The recording made so far is saved."); }, 60000))
        << log();
    EXPECT_TRUE(logged("Talvora Message: Recording stopped: the disk that holds " + mounted.toStdString() + " is full"));
    answerMessageBoxes();
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(window); }, 5000)) << "the window comes back";
    EXPECT_EQ(recorder->state(), QProcess::Running);
    ASSERT_EQ(recordings().size(), 1);
    const Probe cut = probe(recordingPath(recordings()[0]));
    EXPECT_GT(cut.duration_s, 1.0) << "what was written so far plays";
    EXPECT_TRUE(cut.decodes) << "to its end";
    // The settings file (on another disk) is whole: from its first line to
    // its notice, with the recordings folder it had.
    const std::string settings = test::readFile(settingsFile);
    EXPECT_EQ(settings.rfind("Talvora Settings -- Do not delete or alter\r\n", 0), 0u);
    EXPECT_NE(settings.find("\r\nRecording Folder: " + mounted.toStdString() + "\r\n"), std::string::npos);
    EXPECT_TRUE(settings.ends_with("Copyright Corvane Telmark. All rights reserved.")) << settings;
    // With room again, the next recording works.
    QFile::remove(recordingPath(recordings()[0]));
    QProcess::execute("xdotool", {"key", kStartStopKey});
    QTest::qWait(4000);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(window); }, 15000));
    ASSERT_EQ(recordings().size(), 1);
    EXPECT_GT(probe(recordingPath(recordings()[0])).duration_s, 2.0);
}

TEST_F(RecorderSessionDesktopTest, AStartThatFailsBringsTheWindowBackAndLeavesNoFile) {
    if (!mountRecordings("ro,size=1m")) GTEST_SKIP() << "needs root to mount a small file system";
    QProcess* recorder = startRecorder();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return logged("Talvora Message: Cannot");
        },
        15000))
        << log();
    // The failed run's box is followed by the failed start's.
    EXPECT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return windows.isVisible(window);
        },
        5000));
    EXPECT_EQ(recorder->state(), QProcess::Running);
    EXPECT_TRUE(recordings().isEmpty());
}

TEST_F(RecorderSessionDesktopTest, NoSoundServerIsSaidAtStartAndAStartLeavesNoFile) {
    QProcess* recorder = startRecorder("unix:/nonexistent/pulse/native");
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return logged("Talvora Message: No sound server answers");
        },
        30000))
        << log();
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    QTest::qWait(4000);
    answerMessageBoxes();
    QTest::qWait(1000);
    answerMessageBoxes();
    EXPECT_TRUE(waitFor([&] { return windows.isVisible(window); }, 5000));
    EXPECT_EQ(recorder->state(), QProcess::Running);
    EXPECT_TRUE(recordings().isEmpty());
}

}  // namespace
}  // namespace talvora
