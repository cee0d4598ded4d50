#include <QDBusConnection>
#include <gtest/gtest.h>

#include <memory>

#include "FakeScreenCastPortal.h"
#include "PrivateBus.h"
#include "platform/desktop/linux/ScreenCastPortal.h"
#include "tests/desktop/DesktopWait.h"

namespace platform {
namespace {

using Outcome = ScreenCastResult::Outcome;

// The portal session's handling of the portal's answers, against a fake
// portal on a private bus (a real one cannot be made to cancel or fail).
class ScreenCastPortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start()) << "dbus-daemon does not start";
        service_ = bus_.connect(QStringLiteral("portal"));
        client_ = bus_.connect(QStringLiteral("client"));
        ASSERT_TRUE(service_.isConnected() && client_.isConnected());
        fake_ = std::make_unique<talvora::test::FakeScreenCastPortal>(service_);
        ASSERT_TRUE(fake_->serve());
    }

    static const ScreenCastResult& ask(ScreenCastPortal& portal, const ScreenCastPortal::Options& options) {
        portal.start(options);
        EXPECT_TRUE(portal.waitForFinished(5000)) << "no answer";
        if (portal.result().outcome == Outcome::Granted) {
            EXPECT_GE(portal.pipeWireFd(), 0);
        }
        return portal.result();
    }

    talvora::test::PrivateBus bus_;
    QDBusConnection service_{QString()};
    QDBusConnection client_{QString()};
    std::unique_ptr<talvora::test::FakeScreenCastPortal> fake_;
};

TEST_F(ScreenCastPortalTest, AGrantedSessionGivesItsStreamsAndANewRestoreToken) {
    auto portal = std::make_unique<ScreenCastPortal>(client_);
    const ScreenCastResult result =
        ask(*portal, {ScreenCastPortal::kMonitor | ScreenCastPortal::kWindow, true, "token-1"});
    ASSERT_EQ(result.outcome, Outcome::Granted) << result.error.toStdString();
    ASSERT_EQ(result.streams.size(), 1u);
    EXPECT_EQ(result.streams[0].nodeId, 42u);
    EXPECT_EQ(result.streams[0].position, (Point{1280, 0}));
    EXPECT_EQ(result.streams[0].width, 640);
    EXPECT_EQ(result.streams[0].height, 480);
    EXPECT_EQ(result.restoreToken, "token-2");
    // Only the types the portal offers; the cursor drawn in; the choice kept.
    EXPECT_EQ(fake_->selected.value("types").toUInt(), ScreenCastPortal::kMonitor);
    EXPECT_EQ(fake_->selected.value("cursor_mode").toUInt(), 2u);
    EXPECT_EQ(fake_->selected.value("persist_mode").toUInt(), 2u);
    EXPECT_EQ(fake_->selected.value("restore_token").toString(), "token-1");
    // Closed with the object that owned it.
    portal.reset();
    EXPECT_TRUE(talvora::test::waitFor([&] { return fake_->closedSessions.size() == 1; }));
}

TEST_F(ScreenCastPortalTest, ACancelledOrRefusedRequestEndsTheSession) {
    // The session is closed at once, not only when its object goes.
    fake_->responses["SelectSources"] = 1;
    ScreenCastPortal cancelled(client_);
    EXPECT_EQ(ask(cancelled, {}).outcome, Outcome::Cancelled);
    EXPECT_TRUE(talvora::test::waitFor([&] { return fake_->closedSessions.size() == 1; }));

    fake_->responses = {{"Start", 2}};
    ScreenCastPortal refused(client_);
    EXPECT_EQ(ask(refused, {}).outcome, Outcome::Failed);
    EXPECT_TRUE(refused.result().error.startsWith("Start")) << refused.result().error.toStdString();
    EXPECT_TRUE(refused.result().streams.empty());
    EXPECT_EQ(refused.pipeWireFd(), -1);
    EXPECT_TRUE(talvora::test::waitFor([&] { return fake_->closedSessions.size() == 2; }));
}

}  // namespace
}  // namespace platform
