// The recorder program itself on the virtual desktop, driven from outside as a
// user would: started, its boxes answered with the keyboard, started again.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "RecorderProcessTest.h"

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

namespace {

using talvora::test::answerMessageBoxes;
using talvora::test::kStartStopKey;
using talvora::test::readFile;
using talvora::test::waitFor;

class RecorderStartupTest : public talvora::test::RecorderProcessTest {};

TEST_F(RecorderStartupTest, SecondInstanceSaysSoAndLeavesTheFirstRunning) {
    QProcess* first = startRecorder("first.log");
    // The splash, one second of ticking and one of pumping: then the recorder window.
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return windows.isVisible(windows.find("Talvora"));
        },
        20000));

    QProcess* second = startRecorder("second.log");
    ASSERT_TRUE(waitFor(
        [&] {
            return readFile(home.filePath("second.log")).find("Talvora Message: Talvora is already running") !=
                   std::string::npos;
        },
        10000));
    // The box shows right after its text is logged; answer until it is gone.
    ASSERT_TRUE(waitFor(
        [&] {
            answerMessageBoxes();
            return second->state() == QProcess::NotRunning;
        },
        10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);

    // The first instance made its settings file in the data folder.
    const std::string settings = readFile(home.filePath(".config/Corvane Telmark 2/settings_rp_goog.ini"));
    EXPECT_EQ(settings.rfind("Talvora Settings -- Do not delete or alter\r\n", 0), 0u);
}

TEST_F(RecorderStartupTest, HotkeyRecordsTheMeetingWindowUntilPressedAgain) {
    startMeetingAndTone();
    startRecorder("recorder.log");
    const platform::WindowId recorder = waitForRecorder();  // the tracker has taken the meeting window by now
    ASSERT_NE(recorder, 0u);

    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return !windows.isVisible(recorder); }, 5000)) << "the recorder hides";
    QTest::qWait(10000);
    QProcess::execute("xdotool", {"key", kStartStopKey});
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(recorder); }, 15000)) << "the recorder comes back";
    QTest::qWait(2000);

    const QDir folder(home.filePath("Videos/Talvora Recordings"));
    const QStringList files = folder.entryList({"Zoom_*.wmv"});
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression("^Zoom_\\d{6}_\\d{6}\\.wmv$").match(files[0]).hasMatch()) << files[0].toStdString();
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration:stream=codec_name", "-of", "csv=p=0",
                            folder.filePath(files[0])});
    probe.waitForFinished(20000);
    const std::string out = probe.readAllStandardOutput().toStdString();
    EXPECT_NE(out.find("wmv1"), std::string::npos) << out;
    EXPECT_NE(out.find("wmav2"), std::string::npos) << out;
    const double duration = std::stod(out.substr(out.rfind('\n', out.size() - 2) + 1));
    EXPECT_GE(duration, 9.5);
    EXPECT_LE(duration, 13.0);  // the stop keeps recording for its one second of messages
}

// A user's first try on a terminal answers there and starts nothing, with
// or without a desktop to start on.
TEST(RecorderCommandLineTest, HelpAndVersionPrintAndExit) {
    for (const bool desktop : {true, false}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!desktop) env.remove("DISPLAY");
        for (const auto& [argument, start] : {std::pair{"--help", "Usage: talvora "}, {"--version", "talvora 1."}}) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QString(TALVORA_PROGRAM_DIR) + "/talvora", {argument});
            ASSERT_TRUE(p.waitForFinished(5000)) << argument;
            EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p.exitCode(), 0) << argument;
            EXPECT_TRUE(p.readAllStandardOutput().startsWith(start)) << argument;
            EXPECT_EQ(p.readAllStandardError(), "") << argument;
        }
    }
}

}  // namespace
