#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "DesktopWait.h"
#include "FreshInstallation.h"
#include "platform/desktop/linux/X11Windows.h"

namespace talvora::test {

inline std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Presses Return on every open "Talvora Message" box. A box that closes on
// the press may leave the key down for the X server, whose auto-repeat would
// then answer every dialog opened later: it is let go at the end.
inline void answerMessageBoxes() {
    QProcess::execute("sh", {"-c", "for w in $(xdotool search --name '^Talvora Message$'); do "
                                   "xdotool windowactivate --sync $w key --window $w Return; done; xdotool keyup Return"});
}

// Tests that drive the built programs from outside, as a user would, with a
// fresh home folder. The processes they start are killed at the end.
class RecorderProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
        ASSERT_TRUE(home.isValid());
    }
    void TearDown() override {
        for (QProcess* p : {&meeting, &player}) {
            p->kill();
            p->waitForFinished(3000);
        }
        for (auto* p : processes) {
            // What a failed test's programs said on their way (a sanitizer's
            // report, a crash) is the first thing to read.
            if (HasFailure()) {
                const QByteArray said = p->readAllStandardError();
                if (!said.isEmpty())
                    std::cout << p->program().toStdString() << " said:\n" << said.right(4000).toStdString() << "\n";
            }
            p->kill();
            p->waitForFinished(3000);
            delete p;
        }
        // The silence companion the recorder started ends about a second
        // after the recorder's window is gone; later tests expect none.
        waitFor([&] { return windows.find("Silence") == 0; }, 5000);
    }

    // Starts `program` with HOME the test's home folder and the recorder's log
    // in `logName` there; XDG_CONFIG_HOME is `configHome` (default: unset).
    QProcess* start(const QString& program, const QStringList& arguments, const QString& logName,
                    const QString& configHome = {}) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        if (configHome.isEmpty()) env.remove("XDG_CONFIG_HOME");
        else env.insert("XDG_CONFIG_HOME", configHome);
        env.insert("TALVORA_LOG", home.filePath(logName));
        p->setProcessEnvironment(env);
        p->start(program, arguments);
        processes.push_back(p);
        return p;
    }
    // Sends `signal` to a process that still runs. False when it has ended:
    // its id is then 0, and kill(0) would reach the test's own process group.
    static bool sendSignal(QProcess& process, int signal) {
        const auto pid = static_cast<pid_t>(process.processId());
        return pid > 0 && ::kill(pid, signal) == 0;
    }
    QProcess* startRecorder(const QString& logName, const QString& configHome = {}) {
        return start(QString(TALVORA_PROGRAM_DIR) + "/talvora", {}, logName, configHome);
    }

    // Answers the start-up boxes until the recorder window shows, then gives
    // its first ticks (hotkeys, tracking) time to run. 0 when it never shows.
    platform::WindowId waitForRecorder() {
        platform::WindowId id = 0;
        waitFor(
            [&] {
                answerMessageBoxes();
                id = windows.find("Talvora");
                return windows.isVisible(id);
            },
            20000);
        confirmMicrophoneDuringFirstTicks(3000);
        return windows.isVisible(id) ? id : 0;
    }

    // A "Zoom Meeting" window showing a moving pattern, and a 440 Hz tone on
    // the speakers, until the test ends.
    void startMeetingAndTone() {
        meeting.start("ffplay", {"-loglevel", "quiet", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=15",
                                 "-window_title", "Zoom Meeting", "-left", "60", "-top", "60"});
        const QString tone = home.filePath("tone.wav");
        QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", tone, "synth", "300", "sine", "440", "vol", "0.5"});
        player.start("paplay", {tone});
    }

    QTemporaryDir home;
    std::vector<QProcess*> processes;
    QProcess meeting;
    QProcess player;
    platform::X11Windows windows;
};

}  // namespace talvora::test
