#include <QDBusConnection>
#include <gtest/gtest.h>

#include <memory>

#include "FakeGlobalShortcuts.h"
#include "FakeScreenCastPortal.h"
#include "PrivateBus.h"
#include "platform/desktop/linux/PortalHotkeys.h"
#include "platform/desktop/linux/PortalRequest.h"
#include "tests/desktop/DesktopWait.h"

namespace platform {
namespace {

using talvora::test::waitFor;

constexpr WindowId kRecorder = 7;
constexpr int kF9 = 0x78;

// What the hotkeys make of the global-shortcuts portal's answers, against a
// fake one on a private bus (a real one cannot be made to refuse).
class PortalHotkeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start()) << "dbus-daemon does not start";
        service_ = bus_.connect(QStringLiteral("portal"));
        portal_ = std::make_unique<talvora::test::FakeScreenCastPortal>(service_);
        shortcuts_ = new talvora::test::FakeGlobalShortcuts(portal_.get(), service_);
        service_.registerObject(kPortalPath, portal_.get(),
                                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAdaptors);
        ASSERT_TRUE(service_.registerService(kPortalService));
        hotkeys_ = std::make_unique<PortalHotkeys>(
            std::map<int, PortalHotkeys::Shortcut>{}, [this](const QString& why) { refusals_ << why; },
            bus_.connect(QStringLiteral("client")));
    }

    talvora::test::PrivateBus bus_;
    QDBusConnection service_{QString()};
    std::unique_ptr<talvora::test::FakeScreenCastPortal> portal_;
    talvora::test::FakeGlobalShortcuts* shortcuts_ = nullptr;  // owned by portal_
    QStringList refusals_;
    std::unique_ptr<PortalHotkeys> hotkeys_;
};

TEST_F(PortalHotkeysTest, ACombinationHeldByAnotherIdOrWithoutAKeyNameFailsAtOnce) {
    EXPECT_TRUE(hotkeys_->registerHotKey(kRecorder, 0, kHotkeyControl, kF9));
    EXPECT_FALSE(hotkeys_->registerHotKey(kRecorder, 1, kHotkeyControl, kF9));
    EXPECT_FALSE(hotkeys_->registerHotKey(kRecorder, 2, kHotkeyControl, 0xFF));
    EXPECT_TRUE(hotkeys_->registerHotKey(kRecorder, 2, kHotkeyControl | kHotkeyShift, 0x4D));
    ASSERT_TRUE(waitFor([&] { return !shortcuts_->bindings.empty(); }));
    const std::map<QString, QString> bound{{"hotkey-0", "CTRL+F9"}, {"hotkey-2", "CTRL+SHIFT+m"}};
    EXPECT_EQ(shortcuts_->bindings.back().triggers, bound);
}

TEST_F(PortalHotkeysTest, ARefusedBindingIsToldAndTheNextRegistrationAsksAgain) {
    shortcuts_->bindResponse = 2;
    ASSERT_TRUE(hotkeys_->registerHotKey(kRecorder, 0, kHotkeyControl, kF9));
    ASSERT_TRUE(waitFor([&] { return !refusals_.isEmpty(); }));
    EXPECT_EQ(refusals_.front(), "BindShortcuts: the desktop refused (2)");
    // The same combination again, as the settings dialog's OK registers it.
    shortcuts_->bindResponse = 0;
    hotkeys_->unregisterHotKey(kRecorder, 0);
    ASSERT_TRUE(hotkeys_->registerHotKey(kRecorder, 0, kHotkeyControl, kF9));
    EXPECT_TRUE(waitFor([&] { return shortcuts_->bindings.size() == 2; }));
    EXPECT_EQ(refusals_.size(), 1);
}

}  // namespace
}  // namespace platform
