// Repeated use: recordings started and stopped by the hotkey, one after the
// other, leave one valid file each and no growth in the recorder's open
// files, threads or memory. The long run (100 cycles) is
// bench/recorder_cycles.sh.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

#include "RecorderProcessTest.h"

namespace talvora {
namespace {

using test::waitFor;

// Open file descriptors, threads and resident memory (KiB) of a process.
struct Usage {
    int fds = 0;
    int threads = 0;
    long rss_kib = 0;
};

Usage usageOf(qint64 pid) {
    Usage u;
    u.fds = static_cast<int>(QDir(QString("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::System |
                                                                             QDir::NoDotAndDotDot).size());
    QFile status(QString("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:")) u.threads = line.mid(8).trimmed().toInt();
        if (line.startsWith("VmRSS:")) u.rss_kib = line.mid(6).trimmed().split(' ')[0].toLong();
    }
    return u;
}

class RepeatedRecordingTest : public test::RecorderProcessTest {
protected:
    QStringList recordings() const {
        return QDir(home.filePath("Videos/Talvora Recordings")).entryList({"*.wmv"}, QDir::Files);
    }
};

TEST_F(RepeatedRecordingTest, TenRecordingsByHotkeyLeaveTenFilesAndNoGrowth) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs the virtual desktop";
    startMeetingAndTone();
    QProcess* recorder = startRecorder("recorder.log");
    const platform::WindowId window = waitForRecorder();
    ASSERT_NE(window, 0u);
    constexpr int kCycles = 10;
    constexpr int kFirstSample = 3;
    Usage first;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        ASSERT_TRUE(waitFor([&] { return recordings().size() == cycle; }, 5000)) << "cycle " << cycle;
        QTest::qWait(2000);
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        ASSERT_TRUE(waitFor([&] { return windows.isVisible(window); }, 15000)) << "cycle " << cycle;
        QTest::qWait(1000);
        test::answerMessageBoxes();
        ASSERT_EQ(recorder->state(), QProcess::Running);
        if (cycle == kFirstSample) first = usageOf(recorder->processId());
    }
    const Usage last = usageOf(recorder->processId());
    RecordProperty("fds", std::to_string(first.fds) + " -> " + std::to_string(last.fds));
    RecordProperty("threads", std::to_string(first.threads) + " -> " + std::to_string(last.threads));
    RecordProperty("rss_kib", std::to_string(first.rss_kib) + " -> " + std::to_string(last.rss_kib));
    EXPECT_LE(last.fds, first.fds) << "open files leak";
    EXPECT_LE(last.threads, first.threads) << "threads are left running";
    EXPECT_LE(last.rss_kib, first.rss_kib * 12 / 10) << "memory grows";

    ASSERT_EQ(recordings().size(), kCycles);
    for (const QString& name : recordings()) {
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                home.filePath("Videos/Talvora Recordings/" + name)});
        probe.waitForFinished(20000);
        EXPECT_GT(probe.readAllStandardOutput().trimmed().toDouble(), 1.5) << name.toStdString();
    }
}

}  // namespace
}  // namespace talvora
