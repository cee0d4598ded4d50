// What the user of the recorder reads, and what is left, when the desktop's
// portal does not give the screen: the recorder on a bus of the test's own,
// where the test serves a fake portal, or none.
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeScreenCastPortal.h"
#include "PrivateBus.h"
#include "WaylandRecorderTest.h"

namespace talvora {
namespace {

using test::waitFor;

class PortalConsentTest : public test::WaylandRecorderTest {
protected:
    void SetUp() override {
        test::WaylandRecorderTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(bus.start()) << "dbus-daemon does not start";
        service = bus.connect("portal");
        ASSERT_TRUE(service.isConnected());
    }

    void servePortal() {
        portal = std::make_unique<test::FakeScreenCastPortal>(service);
        ASSERT_TRUE(portal->serve());
    }

    // The recorder on the test's bus, its window shown and its first ticks
    // (hotkeys, the microphone's question) done.
    QProcess* startRecorderOnBus(const QString& logName) {
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        QProcess* recorder = startRecorder(logName);
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
        EXPECT_TRUE(waitForRecorderWindow(logName)) << log(logName);
        test::confirmMicrophoneDuringFirstTicks(3000);
        return recorder;
    }

    // Presses the start key; true once the user reads `text`.
    bool startTold(const std::string& text, const QString& logName = "recorder.log") {
        QProcess::execute("xdotool", {"key", test::kStartStopKey});
        return waitFor([&] { return logged(text, logName); }, 20000);
    }

    // The box answered, the recorder window is back, and no file is left.
    void expectNothingRecorded(const QString& logName = "recorder.log") {
        EXPECT_TRUE(waitFor([&] { return recorderWindowShown(); }, 10000));
        EXPECT_EQ(QDir(recordingsFolder()).entryList(QDir::Files), QStringList()) << log(logName);
        EXPECT_FALSE(logged("RUNNING", logName));
    }

    test::PrivateBus bus;
    QDBusConnection service{QString()};
    std::unique_ptr<test::FakeScreenCastPortal> portal;
};

TEST_F(PortalConsentTest, ARefusedRequestIsToldAndRecordsNothing) {
    servePortal();
    portal->responses["Start"] = 2;
    startRecorderOnBus("recorder.log");
    ASSERT_TRUE(startTold("The desktop refused the screen recording (")) << log();
    expectNothingRecorded();
}

TEST_F(PortalConsentTest, TheRestoreTokenOfAGrantIsPassedByTheNextRecorder) {
    servePortal();
    QProcess* first = startRecorderOnBus("first.log");
    ASSERT_TRUE(startTold("Nothing was recorded.", "first.log")) << log("first.log");
    EXPECT_FALSE(portal->selected.contains("restore_token"));
    ASSERT_TRUE(sendSignal(*first, SIGTERM));
    ASSERT_TRUE(waitFor([&] { return first->state() == QProcess::NotRunning; }, 20000));

    portal->selected.clear();
    startRecorderOnBus("second.log");
    ASSERT_TRUE(startTold("Nothing was recorded.", "second.log")) << log("second.log");
    // The token the portal gave with the first grant: nobody is asked again.
    EXPECT_EQ(portal->selected.value("restore_token").toString(), "token-2");
}

TEST_F(PortalConsentTest, WithoutAPortalTheUserIsToldWhatToInstall) {
    startRecorderOnBus("recorder.log");
    ASSERT_TRUE(startTold("The desktop offers no screen sharing (")) << log();
    EXPECT_TRUE(logged("Install xdg-desktop-portal"));
    expectNothingRecorded();
}

TEST_F(PortalConsentTest, ARemoteThatLeadsToNoPipeWireIsToldAsSuch) {
    // The fake grants a monitor whose remote is not a PipeWire connection.
    servePortal();
    startRecorderOnBus("recorder.log");
    ASSERT_TRUE(startTold("PipeWire, which carries the desktop's screen, is not running (")) << log();
    expectNothingRecorded();
}

}  // namespace
}  // namespace talvora
