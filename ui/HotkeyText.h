#pragma once

#include <string>
#include <string_view>

namespace talvora {

// A hotkey as the system registers it: modifier flags (ALT 1, CTRL 2,
// SHIFT 4) and a virtual-key code.
struct HotkeyCombination {
    int modifiers = 0;
    int virtualKey = 0;
    bool operator==(const HotkeyCombination&) const = default;
};

// The combination of a stored hotkey text ("CTRL+83"): the first of "ALT+",
// "CTRL+", "SHIFT+" found in it gives the modifier, the decimal number right
// after that word the key (0 without digits). Modifiers 0 when the text
// holds none of the words.
HotkeyCombination ParseHotkey(const std::string& text);

// The hotkey as the user reads it: the text up to and including the first
// "+", then the character whose code is the number after it ("CTRL+83" reads
// "CTRL+S"); function keys F1 ... F24 by their names ("CTRL+120" reads
// "CTRL+F9"), whose codes would show as lower-case letters that the settings
// dialog reads back as other keys. A text without "+" is returned as it is.
std::string HotkeyDisplayText(const std::string& text);

// The virtual-key code of a function key's name at the start of `name`
// ("F9..." gives 120), 0 when it names none of F1 ... F24.
int FunctionKeyCode(std::u16string_view name);

}  // namespace talvora
