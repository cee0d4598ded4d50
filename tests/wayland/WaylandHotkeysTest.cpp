// The recorder's hotkeys on a Wayland desktop: a fake GlobalShortcuts portal
// on a private bus presses them. The screen the recorder gets there is the
// real portal's stream of the desktop, handed on by a fake ScreenCast on the
// same bus, so that what it records is real.
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FakeGlobalShortcuts.h"
#include "FakeScreenCastPortal.h"
#include "PrivateBus.h"
#include "platform/desktop/linux/PortalRequest.h"
#include "platform/desktop/linux/ScreenCastPortal.h"
#include "tests/desktop/RecorderProcessTest.h"
#include "tests/desktop/SettingsDriving.h"

namespace talvora {
namespace {

using test::waitFor;

class WaylandHotkeysTest : public test::RecorderProcessTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) GTEST_SKIP() << "needs scripts/virtual-desktop --wayland";
        test::RecorderProcessTest::SetUp();
        // The desktop's own stream, open for as long as the test runs.
        screen_.start({});
        ASSERT_TRUE(screen_.waitForFinished(30000)) << "the real portal does not answer";
        ASSERT_EQ(screen_.result().outcome, platform::ScreenCastResult::Outcome::Granted)
            << screen_.result().error.toStdString();
        const platform::ScreenCastStream& stream = screen_.result().streams.front();

        ASSERT_TRUE(bus_.start()) << "dbus-daemon does not start";
        service_ = bus_.connect(QStringLiteral("portal"));
        screenCast_ = std::make_unique<test::FakeScreenCastPortal>(service_);
        screenCast_->streamNode = stream.nodeId;
        screenCast_->streamProperties = {{QStringLiteral("position"), QPoint(stream.position.x, stream.position.y)},
                                         {QStringLiteral("size"), QSize(stream.width, stream.height)}};
        screenCast_->pipeWireSocket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pipewire-0";
        shortcuts_ = new test::FakeGlobalShortcuts(screenCast_.get(), service_);
        service_.registerObject(platform::kPortalPath, screenCast_.get(),
                                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                    QDBusConnection::ExportAdaptors);
        ASSERT_TRUE(service_.registerService(platform::kPortalService));
    }
    void TearDown() override {
        terminal_.kill();
        terminal_.waitForFinished(3000);
        test::RecorderProcessTest::TearDown();
    }

    // The recorder on the private bus, its window shown and its first
    // binding made; the window's id (0 when it failed).
    platform::WindowId startRecorderOnPrivateBus() {
        const QByteArray sessionBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().toUtf8());
        startRecorder("recorder.log");
        qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus);
        platform::WindowId recorder = 0;
        waitFor(
            [&] {
                test::answerMessageBoxes();
                // The taskbar frame of that title is 1 x 1.
                for (platform::WindowId w : shownTalvoraWindows())
                    if (windows.rect(w).width() > 100) recorder = w;
                return recorder != 0;
            },
            20000);
        // The first ticks ask for the microphone, then register the hotkeys.
        waitFor(
            [&] {
                test::confirmMicrophoneDuringFirstTicks(0);
                return !shortcuts_->bindings.empty();
            },
            20000);
        return shortcuts_->bindings.empty() ? 0 : recorder;
    }

    std::vector<platform::WindowId> shownTalvoraWindows() {
        std::vector<platform::WindowId> shown;
        for (platform::WindowId w : windows.topLevel())
            if (windows.title(w) == "Talvora" && windows.isVisible(w)) shown.push_back(w);
        return shown;
    }
    QString recording() const {
        const QDir folder(home.filePath("Videos/Talvora Recordings"));
        const QStringList files = folder.entryList({"*.wmv"}, QDir::Files);
        return files.size() == 1 ? folder.filePath(files[0]) : QString();
    }
    std::string log() const { return test::readFile(home.filePath("recorder.log")); }

    platform::ScreenCastPortal screen_;  // on the desktop's own bus
    test::PrivateBus bus_;
    QDBusConnection service_{QString()};
    std::unique_ptr<test::FakeScreenCastPortal> screenCast_;
    test::FakeGlobalShortcuts* shortcuts_ = nullptr;  // owned by screenCast_
    QProcess terminal_;
};

// The number of pictures ffmpeg decodes from `file`.
int decodedPictures(const QString& file) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=nb_read_frames", "-of", "csv=p=0", file});
    probe.waitForFinished(30000);
    return probe.exitCode() == 0 ? QString(probe.readAllStandardOutput()).trimmed().toInt() : 0;
}

TEST_F(WaylandHotkeysTest, TheDesktopsShortcutStartsAndStopsARecordingWhileAWaylandWindowHasTheFocus) {
    const platform::WindowId recorder = startRecorderOnPrivateBus();
    ASSERT_NE(recorder, 0u) << log();
    EXPECT_EQ(shortcuts_->bindings.back().triggers["start-stop"], "CTRL+F9");
    // A native window takes the focus; its counter keeps the screen changing.
    terminal_.start("foot", {"sh", "-c", "while sleep 0.1; do printf '\\r%s' $(date +%N); done"});
    ASSERT_TRUE(terminal_.waitForStarted()) << "foot does not start";

    shortcuts_->activate("start-stop");
    ASSERT_TRUE(waitFor([&] { return log().find("RUNNING") != std::string::npos; }, 15000)) << log();
    ASSERT_FALSE(recording().isEmpty()) << log();
    ASSERT_TRUE(waitFor([&] { return QFileInfo(recording()).size() > 100000; }, 20000)) << "nothing is written";
    shortcuts_->activate("start-stop");
    ASSERT_TRUE(waitFor([&] { return windows.isVisible(recorder); }, 20000)) << "the recording does not stop";
    EXPECT_TRUE(waitFor([&] { return decodedPictures(recording()) > 0; }, 20000)) << log();
}

TEST_F(WaylandHotkeysTest, ANewCombinationInTheSettingsIsBoundInANewSession) {
    const platform::WindowId recorder = startRecorderOnPrivateBus();
    ASSERT_NE(recorder, 0u) << log();
    const QString first = shortcuts_->bindings.back().session;
    // The taskbar frame, which sway cannot minimise, does not stay on the
    // screen to take the clicks, or the recording, from the recorder.
    ASSERT_TRUE(waitFor([&] { return shownTalvoraWindows().size() == 1; }, 5000));

    const platform::WindowId settings = test::openSettings(windows, recorder);
    ASSERT_NE(settings, 0u);
    ASSERT_TRUE(test::setStartStopKeyToAlt(settings, "r")) << "OK closes the dialog";
    ASSERT_TRUE(waitFor([&] { return shortcuts_->bindings.back().triggers["start-stop"] == "ALT+r"; }, 5000));
    EXPECT_NE(shortcuts_->bindings.back().session, first);
    // The new session's press is the one heard.
    shortcuts_->activate("start-stop");
    EXPECT_TRUE(waitFor([&] { return !windows.isVisible(recorder); }, 15000)) << "the recording does not start";
}

}  // namespace
}  // namespace talvora
