#include "ui/HotkeyText.h"

#include <array>
#include <string_view>
#include <utility>

#include "app/DecimalText.h"
#include "platform/desktop/Hotkeys.h"

namespace talvora {

HotkeyCombination ParseHotkey(const std::string& text) {
    // In this order: "ALT+" wins over the others when a text holds several.
    static constexpr std::array<std::pair<std::string_view, int>, 3> kWords{{
        {"ALT+", platform::kHotkeyAlt}, {"CTRL+", platform::kHotkeyControl}, {"SHIFT+", platform::kHotkeyShift}}};
    for (const auto& [word, modifier] : kWords) {
        const std::size_t at = text.find(word);
        if (at == std::string::npos) continue;
        return {modifier, parseDecimalInt(std::string_view(text).substr(at + word.size()))};
    }
    return {};
}

std::string HotkeyDisplayText(const std::string& text) {
    const std::size_t plus = text.find('+');
    if (plus == std::string::npos) return text;
    // "%c": the low byte of the number; a zero byte ends the text there.
    const auto code = static_cast<unsigned char>(parseDecimalInt(std::string_view(text).substr(plus + 1)));
    std::string shown = text.substr(0, plus + 1);
    if (code != 0) shown += static_cast<char>(code);
    return shown;
}

}  // namespace talvora
