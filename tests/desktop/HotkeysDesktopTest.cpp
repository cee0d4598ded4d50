// Hotkeys against a real X server (run under scripts/virtual-desktop): keys
// are pressed with xdotool through XTEST, and the competing program is a
// second X connection of this test that grabs with plain xcb calls.
#include <QProcess>
#include <QWidget>
#include <X11/keysym.h>
#include <gmock/gmock.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "DesktopWait.h"
#include "X11DesktopPlatform.h"
#include "platform/desktop/linux/X11Hotkeys.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "ui/HotkeyRegistration.h"

namespace talvora {
namespace {

using test::waitFor;

void xdotool(const QStringList& arguments) {
    QProcess process;
    process.start("xdotool", arguments);
    ASSERT_TRUE(process.waitForFinished(10000) && process.exitCode() == 0)
        << "xdotool " << arguments.join(' ').toStdString();
}

// Another program on the desktop: a connection of its own, grabbing the S key.
class OtherClient {
public:
    OtherClient() {
        std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
            xcb_key_symbols_alloc(xcb_.get()), &xcb_key_symbols_free);
        platform::XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), XK_s));
        keycode_ = codes ? *codes : 0;
    }
    // True when the server granted the grab.
    bool grabS(std::uint16_t mask) {
        const auto cookie = xcb_grab_key_checked(xcb_.get(), 0, xcb_.root(), mask, keycode_, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC);
        return keycode_ != 0 && !platform::XcbReply<xcb_generic_error_t>(xcb_request_check(xcb_.get(), cookie));
    }

private:
    platform::XcbConnection xcb_;
    xcb_keycode_t keycode_ = 0;
};

class HotkeysDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
        home = std::filesystem::temp_directory_path() / ("talvora-hotkeys-" + std::to_string(::getpid()));
        desktop = std::make_unique<test::X11DesktopPlatform>(home.string());
        desktop->ctx.messages = RegisteredMessages::registerAll(desktop->messages);
        desktop->ctx.settings.hotkey1 = "CTRL+83";
        hotkeys = std::make_unique<platform::X11Hotkeys>();
        registration = std::make_unique<HotkeyRegistration>(desktop->ctx, *hotkeys, [] {});
        recorder = static_cast<platform::WindowId>(widget.winId());
    }

    int stopMessages() const {
        int count = 0;
        for (const auto& posted : desktop->messages.posted)
            count += posted.message == desktop->ctx.messages.recordStop && posted.window == recorder;
        return count;
    }

    std::filesystem::path home;
    QWidget widget;
    std::unique_ptr<test::X11DesktopPlatform> desktop;
    std::unique_ptr<platform::X11Hotkeys> hotkeys;
    std::unique_ptr<HotkeyRegistration> registration;
    platform::WindowId recorder = 0;
};

TEST_F(HotkeysDesktopTest, CtrlSReachesTheRecorderWindowWhateverTheLockKeys) {
    registration->registerAll(recorder);
    ASSERT_TRUE(desktop->messageBox.texts().empty()) << desktop->messageBox.texts().front();

    // X compares the lock bits too: each state of Caps Lock and Num Lock.
    const QStringList lockStates[] = {{}, {"Caps_Lock"}, {"Num_Lock"}, {"Caps_Lock"}};
    int expected = 0;
    for (const QStringList& toggle : lockStates) {
        if (!toggle.isEmpty()) xdotool(QStringList{"key"} + toggle);
        // Another modifier on top is another combination and stays unseen.
        xdotool({"key", "ctrl+shift+s", "ctrl+s"});
        ++expected;
        ASSERT_TRUE(waitFor([&] { return stopMessages() >= expected; })) << "after " << expected - 1 << " presses";
    }
    xdotool({"key", "Caps_Lock", "Num_Lock"});  // both off again
    EXPECT_EQ(stopMessages(), expected);
    EXPECT_EQ(desktop->messages.posted.back().wParam, 0);

    registration->unregisterAll();
    xdotool({"key", "ctrl+s"});
    waitFor([] { return false; }, 300);
    EXPECT_EQ(stopMessages(), expected);
}

TEST_F(HotkeysDesktopTest, ACombinationAnotherProgramHoldsFailsAndLeavesNoGrabBehind) {
    // The other program holds the plain combination, or only its Caps Lock
    // variant, which fails our grab after the plain one has succeeded.
    for (const std::uint16_t held : {std::uint16_t{XCB_MOD_MASK_CONTROL},
                                     std::uint16_t{XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK}}) {
        SCOPED_TRACE(held);
        OtherClient other;
        ASSERT_TRUE(other.grabS(held));
        desktop->messageBox.clear();
        registration->registerAll(recorder);
        EXPECT_EQ(desktop->messageBox.texts(), std::vector<std::string>{"Cannot register hotkey CTRL+83"});
        // Nothing of ours is left: the other program can take the plain one.
        EXPECT_TRUE(other.grabS(XCB_MOD_MASK_CONTROL));
    }
    // Once the other program has gone (the server notices in its own time)
    // the combination is free again.
    EXPECT_TRUE(waitFor([&] {
        desktop->messageBox.clear();
        registration->registerAll(recorder);
        return desktop->messageBox.texts().empty();
    }));
}

}  // namespace
}  // namespace talvora
