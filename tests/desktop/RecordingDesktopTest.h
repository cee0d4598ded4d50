#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/SettingsStore.h"
#include "capture/GraphToolkit.h"
#include "capture/RecordingGraph.h"
#include "platform/audio/fake/FakeSoundPlayer.h"
#include "platform/audio/linux/PulseAudioSystem.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/core/linux/QtMessagePump.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/X11Windows.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/shell/fake/FakeFolders.h"
#include "platform/shell/fake/FakeLauncher.h"
#include "platform/shell/fake/FakeRegistry.h"
#include "platform/shell/fake/FakeSystemInfo.h"

namespace talvora::test {

// A real recording on the virtual desktop: a moving test pattern in a window
// titled "Zoom Meeting" and a 440 Hz tone on the speakers, recorded through
// the recording graph with the real filters, then probed and decoded.
class RecordingDesktopTest : public ::testing::Test {
protected:
    // `pattern`: the lavfi graph the window shows, 640 x 480.
    explicit RecordingDesktopTest(QString pattern);

    // The program that shows the "Zoom Meeting" window and its arguments
    // (by default ffplay playing the pattern), and whether the 440 Hz tone
    // plays beside it. Called by SetUp().
    virtual QStringList meetingCommand() const;
    virtual bool playsTone() const { return true; }
    // What the meeting window's program printed since the last call.
    QByteArray meetingOutput() { return meetingWindow_.readAllStandardOutput(); }

    void SetUp() override;
    void TearDown() override;

    // Records the "Zoom Meeting" window for `total_ms` of running time into
    // `file` of the test's folder, with the settings `change` makes; the stop
    // itself keeps the graph running one more second, as the user sees it.
    // `pauseAt_ms` < 0 records straight through.
    // Sets the meeting window as the capture target, applies `change`, and
    // builds and runs a graph writing `file` in the test's folder; its path.
    std::string startRecording(const std::string& file, const std::function<void(Settings&)>& change);
    std::string record(const std::string& file, const std::function<void(Settings&)>& change, int total_ms,
                       int pauseAt_ms = -1, int pause_ms = 0);

    static std::string run(const QString& program, const QStringList& args);
    // Settings that record the "Zoom Meeting" window with its sound, 15 fps.
    void captureMeeting(Settings& s);
    // Ends the meeting window and the tone this test started.
    void stopMeeting();

    static double probeDuration(const std::string& file);
    // The sound, 44.1 kHz 16-bit mono, without its first and last half
    // second (where encoders prime, and where the last frame is padded).
    static std::string decodedSound(const std::string& file);
    // The strongest frequency between 200 and 1200 Hz of mono 16-bit samples
    // (Goertzel in 5 Hz steps), which stretches of silence do not disturb.
    static double dominantFrequency(const std::string& pcm, int rate);
    // Seconds the last record() had its graph running, pauses left out.
    double runningTime_s = 0;

    QTemporaryDir dir;
    platform::FakeMessageBox messageBox;
    platform::FakeLog log;
    platform::QtMessagePump pump;
    platform::FakeProcessControl process;
    platform::FakeFolders folders;
    platform::FakeLauncher launcher;
    platform::FakeRegistry registryValues;
    platform::FakeSystemInfo system;
    platform::X11Windows windows;
    platform::X11WindowMessages messages;
    platform::X11Display display;
    platform::FakeSoundPlayer sound;
    Platform platformServices;
    AppContext ctx;
    SettingsStore store;
    platform::PulseAudioSystem audio;
    platform::X11ScreenSource screen;
    platform::FilterRegistry registry;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<RecordingGraph> graph;
    // Given to each graph `record` makes, when set.
    Mpeg2Path* mpeg2Path = nullptr;

private:
    QString pattern_;
    QProcess meetingWindow_;
    QProcess tone_;
    std::filesystem::path previous_;
};

}  // namespace talvora::test
