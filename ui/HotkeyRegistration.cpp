#include "ui/HotkeyRegistration.h"

#include <string>

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/desktop/WindowMessages.h"

namespace talvora {

namespace {

constexpr std::array<const char*, 3> kDialogFailures{"Cannot register Start/stop key", "Cannot register Pause key",
                                                     "Cannot register Mute key"};

bool isHotkeyId(int id) { return id >= 0 && id < 3; }

// The system's hotkey notification carries the modifiers in the low word of
// its second parameter and the key in the high word.
std::intptr_t secondParameter(HotkeyCombination c) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(c.virtualKey & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(c.modifiers & 0xFFFF));
}

}  // namespace

HotkeyRegistration::HotkeyRegistration(AppContext& ctx, platform::Hotkeys& hotkeys, std::function<void()> muteToggle)
    : ctx_(ctx), hotkeys_(hotkeys), muteToggle_(std::move(muteToggle)) {}

HotkeyRegistration::~HotkeyRegistration() {
    if (recorder_ != 0) hotkeys_.listen(recorder_, {});
}

void HotkeyRegistration::registerAll(platform::WindowId recorder) {
    // What an earlier call registered goes first, so that no stale
    // combination stays behind, whichever window it was on.
    unregisterAll();
    if (recorder_ != 0 && recorder_ != recorder) hotkeys_.listen(recorder_, {});
    recorder_ = recorder;
    hotkeys_.listen(recorder_, [this](int id) { onHotkey(id); });
    const Settings& s = ctx_.settings;
    const std::array<const std::string*, 3> texts{&s.hotkey1, &s.hotkey2, &s.hotkey3};
    for (int id = 0; id < 3; ++id) {
        const std::string& text = *texts[static_cast<std::size_t>(id)];
        const HotkeyCombination combination = ParseHotkey(text);
        // A text without a modifier word names no hotkey; the settings dialog
        // never writes one.
        if (combination.modifiers == 0) continue;
        if (!registerOne(id, combination))
            ctx_.platform.messageBox.show(platform::format("Cannot register hotkey %s", text.c_str()));
    }
}

void HotkeyRegistration::registerFromDialog(const std::array<HotkeyCombination, 3>& combinations) {
    for (int id = 0; id < 3; ++id)
        if (combinations[static_cast<std::size_t>(id)].modifiers != 0) unregister(id);
    for (int id = 0; id < 3; ++id) {
        const HotkeyCombination combination = combinations[static_cast<std::size_t>(id)];
        if (combination.modifiers != 0 && !registerOne(id, combination))
            ctx_.platform.messageBox.show(kDialogFailures[static_cast<std::size_t>(id)]);
    }
}

void HotkeyRegistration::unregisterAll() {
    for (int id = 0; id < 3; ++id) unregister(id);
}

void HotkeyRegistration::unregister(int id) { hotkeys_.unregisterHotKey(recorder_, id); }

bool HotkeyRegistration::registerOne(int id, HotkeyCombination combination) {
    combinations_[static_cast<std::size_t>(id)] = combination;
    return hotkeys_.registerHotKey(recorder_, id, combination.modifiers, combination.virtualKey);
}

int HotkeyRegistration::onHotkey(int id) {
    if (!isHotkeyId(id)) return 1;
    const std::intptr_t lParam = secondParameter(combinations_[static_cast<std::size_t>(id)]);
    if (id == kStartStop) ctx_.platform.messages.post(recorder_, ctx_.messages.recordStop, 0, lParam);
    else if (id == kPause) ctx_.platform.messages.post(recorder_, ctx_.messages.recordPause, 1, lParam);
    else if (muteToggle_) muteToggle_();
    return 1;
}

}  // namespace talvora
