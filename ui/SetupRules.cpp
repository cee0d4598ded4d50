#include "ui/SetupRules.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>
#include <vector>

#include "app/SettingsStore.h"
#include "platform/core/Format.h"
#include "ui/HotkeyText.h"

namespace talvora {

namespace {

constexpr std::size_t kDurationChars = 99;
constexpr std::size_t kHotkeyChars = 49;
constexpr long long kDaySeconds = 86400;
constexpr int kMinScale = 50;
constexpr int kMaxScale = 250;

// A part of "hh:mm:ss": decimal digits only, at most 9 of them, so that the
// sum cannot overflow. Anything else is no number.
std::optional<long long> durationPart(const std::string& part) {
    if (part.empty() || part.size() > 9) return std::nullopt;
    if (!std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    return std::stoll(part);
}

}  // namespace

std::string DurationEditText(int maxFileTime) {
    if (maxFileTime < 1) return {};
    const std::string text = DurationText(maxFileTime);
    return text == "00:00:00" ? std::string() : text;
}

DurationEntry ReadDuration(const std::string& edit) {
    const std::string text = edit.substr(0, kDurationChars);
    DurationEntry entry;
    if (text.empty()) return entry;
    if (text.size() != 8 && text.find(':') == std::string::npos) {
        entry.refused = true;
        return entry;
    }
    entry.seconds = -1;
    if (std::count(text.begin(), text.end(), ':') != 2) return entry;
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first + 1);
    const auto hours = durationPart(text.substr(0, first));
    const auto minutes = durationPart(text.substr(first + 1, second - first - 1));
    const auto seconds = durationPart(text.substr(second + 1));
    if (!hours || !minutes || !seconds) return entry;
    const long long total = *hours * 3600 + *minutes * 60 + *seconds;
    entry.overDay = total > kDaySeconds;
    entry.seconds = static_cast<int>(std::min<long long>(total, INT_MAX));
    return entry;
}

std::string HotkeySettingFromEdit(const std::u16string& edit) {
    std::u16string text = edit.substr(0, kHotkeyChars);
    for (char16_t& c : text)
        if (c < 0x80) c = static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
    struct Word {
        std::u16string text;
        const char* format;
    };
    static const std::vector<Word> kWords = {{u"ALT+", "ALT+%d"}, {u"SHIFT+", "SHIFT+%d"}, {u"CTRL+", "CTRL+%d"}};
    for (const Word& word : kWords) {
        const std::size_t at = text.find(word.text);
        if (at == std::u16string::npos) continue;
        const std::size_t key = at + word.text.size();
        if (key >= text.size()) return {};
        const int functionKey = FunctionKeyCode(std::u16string_view(text).substr(key));
        return platform::format(word.format, functionKey != 0 ? functionKey : static_cast<int>(text[key]));
    }
    return {};
}

std::optional<int> ReadScale(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < kMinScale || value > kMaxScale) return std::nullopt;
    return value;
}

RecordWhat ClickRecordVideo(RecordWhat now) {
    if (!now.video) return {true, now.audio};
    return {false, true};
}

RecordWhat ClickRecordAudio(RecordWhat now) {
    if (!now.audio) return {now.video, true};
    return {true, false};
}

}  // namespace talvora
