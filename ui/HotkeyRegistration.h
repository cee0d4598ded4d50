#pragma once

#include <array>
#include <functional>

#include "app/AppContext.h"
#include "platform/desktop/Hotkeys.h"
#include "ui/HotkeyText.h"

namespace talvora {

// The recorder window's three system-wide hotkeys: 0 start/stop (`Hotkey1`),
// 1 pause/resume (`Hotkey2`), 2 microphone mute (`Hotkey3`). Registering
// makes this object the window's hotkey handler. UI thread only.
class HotkeyRegistration {
public:
    static constexpr int kStartStop = 0;
    static constexpr int kPause = 1;
    static constexpr int kMute = 2;

    // `muteToggle` is the recorder window's microphone mute toggle.
    HotkeyRegistration(AppContext& ctx, platform::Hotkeys& hotkeys, std::function<void()> muteToggle);
    ~HotkeyRegistration();
    HotkeyRegistration(const HotkeyRegistration&) = delete;
    HotkeyRegistration& operator=(const HotkeyRegistration&) = delete;

    // The recorder window's first tick: registers the three settings on
    // `recorder` in the order 0, 1, 2; each failure shows "Cannot register
    // hotkey %s" and the others go on. The hotkeys registered before, on
    // this window or on a recorder window since rebuilt, are released first
    // (the system releases a destroyed window's), so a rebuilt window gets
    // them all.
    void registerAll(platform::WindowId recorder);

    // The settings dialog's OK: registers 0, 1 and 2 again with the new
    // combinations (one without a modifier leaves its hotkey alone); a
    // failure shows the key's own text ("Cannot register Start/stop key",
    // "... Pause key", "... Mute key"). All are released before any is
    // registered, so that keys may change places.
    void registerFromDialog(const std::array<HotkeyCombination, 3>& combinations);

    // The exit path releases all three; a rebuild for a new scale only 0.
    void unregisterAll();
    void unregister(int id);

    // A pressed hotkey: 0 posts "WM_RECORD_STOP_STR" (first parameter 0) and
    // 1 "WM_RECORD_PAUSE_STR" (first parameter 1) to the recorder window, 2
    // toggles the microphone; other ids do nothing. Returns 1.
    int onHotkey(int id);

    platform::WindowId recorder() const { return recorder_; }

private:
    bool registerOne(int id, HotkeyCombination combination);

    AppContext& ctx_;
    platform::Hotkeys& hotkeys_;
    std::function<void()> muteToggle_;
    platform::WindowId recorder_ = 0;
    // What each id was last registered with, for the message's second parameter.
    std::array<HotkeyCombination, 3> combinations_{};
};

}  // namespace talvora
