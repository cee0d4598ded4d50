#pragma once

#include <functional>

#include "platform/desktop/Windows.h"

namespace platform {

// Modifier flags of a hotkey, with the values the system stores and passes.
constexpr int kHotkeyAlt = 1;
constexpr int kHotkeyControl = 2;
constexpr int kHotkeyShift = 4;
constexpr int kHotkeyWin = 8;

// System-wide hotkeys: a key combination that reaches this program whichever
// window has the focus. Keys are named by Windows virtual-key codes (0x41 'A'
// ... 0x5A 'Z', 0x30 '0' ... 0x39 '9', 0x70 F1 ... 0x7B F12, 0x20 space ...).
// UI thread only; handlers run on the UI thread.
class Hotkeys {
public:
    virtual ~Hotkeys() = default;

    using Handler = std::function<void(int id)>;

    // Registers `id` of `target` for the combination. False when another
    // program or another id holds it, or the key is unknown. Registering an
    // id again replaces its combination.
    virtual bool registerHotKey(WindowId target, int id, int modifiers, int virtualKey) = 0;
    // False when the id was not registered for `target`.
    virtual bool unregisterHotKey(WindowId target, int id) = 0;
    // Presses of hotkeys registered for `target` reach `handler`; an empty
    // handler stops delivery.
    virtual void listen(WindowId target, Handler handler) = 0;
};

}  // namespace platform
