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

namespace {
constexpr int kFirstFunctionKey = 0x70;  // F1
constexpr int kFunctionKeys = 24;
}  // namespace

std::string HotkeyDisplayText(const std::string& text) {
    const std::size_t plus = text.find('+');
    if (plus == std::string::npos) return text;
    const int number = parseDecimalInt(std::string_view(text).substr(plus + 1));
    std::string shown = text.substr(0, plus + 1);
    if (number >= kFirstFunctionKey && number < kFirstFunctionKey + kFunctionKeys)
        return shown + "F" + std::to_string(number - kFirstFunctionKey + 1);
    // "%c": the low byte of the number; a zero byte ends the text there.
    const auto code = static_cast<unsigned char>(number);
    if (code != 0) shown += static_cast<char>(code);
    return shown;
}

int FunctionKeyCode(std::u16string_view name) {
    if (name.size() < 2 || name[0] != u'F') return 0;
    int number = 0;
    std::size_t digits = 1;
    for (; digits < name.size() && digits <= 2 && name[digits] >= u'0' && name[digits] <= u'9'; ++digits)
        number = number * 10 + (name[digits] - u'0');
    // "F" followed by a third digit or a zero first digit names no key.
    const bool moreDigits = digits < name.size() && name[digits] >= u'0' && name[digits] <= u'9';
    if (digits == 1 || moreDigits || name[1] == u'0' || number > kFunctionKeys) return 0;
    return kFirstFunctionKey + number - 1;
}

}  // namespace talvora
