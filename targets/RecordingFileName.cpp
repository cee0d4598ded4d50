#include "targets/RecordingFileName.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"

namespace talvora {

namespace {

constexpr std::string_view kRemovedCharacters = "\\/:*<|?=%`";
constexpr std::string_view kDvdExtension = ".dvd.mpg";
constexpr std::size_t kExtensionLength = 4;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    });
    return text;
}

struct SplitName {
    std::string base;
    std::string extension;
};

// ".dvd.mpg" when present, else the last "." and at most three characters
// after it; an old "[n]" suffix (a "[" before the last "]") is cut off.
SplitName splitName(const std::string& name) {
    SplitName split{name, {}};
    if (const auto dvd = name.find(kDvdExtension); dvd != std::string::npos) {
        split.base = name.substr(0, dvd);
        split.extension = std::string(kDvdExtension);
    } else if (const auto dot = name.rfind('.'); dot != std::string::npos) {
        split.base = name.substr(0, dot);
        split.extension = name.substr(dot, kExtensionLength);
    }
    bool closed = false;
    for (std::size_t i = split.base.size(); i-- > 0;) {
        if (split.base[i] == ']') {
            closed = true;
        } else if (closed && split.base[i] == '[') {
            split.base.resize(i);
            break;
        }
    }
    return split;
}

// The number after the first "[" of a listed name, 0 when there is none. A
// number too large to count on is ignored, so n + 1 never overflows.
long long suffixNumber(const std::string& name) {
    const auto open = name.find('[');
    if (open == std::string::npos) return 0;
    const char* first = name.data() + open + 1;
    const char* last = name.data() + name.size();
    while (first != last && (*first == ' ' || *first == '\t')) ++first;
    if (first != last && *first == '+') ++first;
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first || value == std::numeric_limits<long long>::max()) return 0;
    return value;
}

}  // namespace

std::string RecordingFileName(const std::string& word, std::time_t now, int protocol) {
    std::tm local{};
    localtime_r(&now, &local);
    return platform::format("%s_%02d/%02d/%02d_%02d:%02d:%02d%s", word.c_str(), local.tm_mon + 1, local.tm_mday,
                            local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec,
                            protocol == 1 ? ".wmv" : ".mpg");
}

std::string SanitizeFileName(const std::string& name, platform::DiagnosticLog& log) {
    std::string clean;
    std::string trace;
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        trace += platform::format(" %02X", code);
        if (code < 32 || kRemovedCharacters.find(c) != std::string_view::npos) continue;
        clean += c;
    }
    log.append(trace);
    return clean;
}

std::optional<std::string> MakeUniqueFileName(const std::string& folder, const std::string& name,
                                              platform::DiagnosticLog& log, platform::MessageBox& messageBox) {
    const SplitName split = splitName(SanitizeFileName(name, log));
    // "." and ".." would name the folder itself or its parent, not a file.
    const std::string whole = split.base + split.extension;
    if (whole.find_first_not_of('.') == std::string::npos) return std::nullopt;

    std::error_code ec;
    std::filesystem::directory_iterator entries(folder, ec);
    if (ec) {
        messageBox.show(platform::format("Cannot find recording folder %s", folder.c_str()));
        return std::nullopt;
    }

    const std::string lowerBase = lowerCase(split.base);
    bool clash = false;
    long long largest = 0;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
        std::error_code typeError;
        if (entries->is_directory(typeError)) continue;
        const std::string entry = entries->path().filename().string();
        if (lowerCase(entry).find(lowerBase) == std::string::npos) continue;
        clash = true;
        largest = std::max(largest, suffixNumber(entry));
    }
    if (ec) {
        messageBox.show(platform::format("Cannot find recording folder %s", folder.c_str()));
        return std::nullopt;
    }

    if (!clash) return whole;
    const long long next = largest > 0 ? largest + 1 : 2;
    return platform::format("%s[%lld]", split.base.c_str(), next) + split.extension;
}

}  // namespace talvora
