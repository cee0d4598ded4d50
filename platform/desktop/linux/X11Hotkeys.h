#pragma once

#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/desktop/Hotkeys.h"
#include "platform/desktop/linux/XcbConnection.h"

class QSocketNotifier;

namespace platform {

// Hotkeys as passive key grabs on the root window. Each combination is
// grabbed on every keycode that carries its keysym and also with Caps Lock
// and Num Lock on, since X compares the lock bits too. A combination that
// another client has grabbed fails with BadAccess, which is a failed
// registration.
//
// The grabs live on a connection of their own, so the key presses they
// produce arrive only there; a socket notifier reads them on the UI thread.
// Closing the connection releases every grab.
//
// Created after the QApplication; UI thread only.
class X11Hotkeys : public Hotkeys {
public:
    X11Hotkeys();
    ~X11Hotkeys() override;
    X11Hotkeys(const X11Hotkeys&) = delete;
    X11Hotkeys& operator=(const X11Hotkeys&) = delete;

    bool registerHotKey(WindowId target, int id, int modifiers, int virtualKey) override;
    bool unregisterHotKey(WindowId target, int id) override;
    void listen(WindowId target, Handler handler) override;

private:
    struct Registration {
        WindowId target;
        int id;
        int modifiers;
        int virtualKey;
        std::uint16_t mask;  // X modifier mask without the lock bits
        std::vector<xcb_keycode_t> keycodes;
    };
    struct FreeKeySymbols {
        void operator()(xcb_key_symbols_t* symbols) const noexcept { xcb_key_symbols_free(symbols); }
    };

    // The X mask for the modifier flags; 0xFFFF when a flag is unknown.
    std::uint16_t maskOf(int modifiers) const;
    std::vector<xcb_keycode_t> keycodesOf(int virtualKey) const;
    // The masks of a combination with every state of the lock keys.
    std::vector<std::uint16_t> lockVariants(std::uint16_t mask) const;
    bool grab(const Registration& r);
    void ungrab(const Registration& r);
    // Where Alt, Super and Num Lock sit among Mod1 ... Mod5 on this server.
    void readModifierMapping();
    void readEvents();
    void onKeyPress(const xcb_key_press_event_t& event);
    // The keyboard mapping changed: keycodes and modifiers move.
    void onMappingChanged(xcb_mapping_notify_event_t* event);
    // Events read while waiting for a reply never wake the notifier.
    void readQueuedEventsLater();

    XcbConnection xcb_;
    std::unique_ptr<xcb_key_symbols_t, FreeKeySymbols> symbols_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<Registration> registrations_;
    std::map<WindowId, Handler> handlers_;
    std::uint16_t altMask_ = XCB_MOD_MASK_1;
    std::uint16_t superMask_ = XCB_MOD_MASK_4;
    std::uint16_t numLockMask_ = XCB_MOD_MASK_2;
};

}  // namespace platform
