#include "library/RecordingList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/core/Format.h"

namespace talvora {

namespace {

constexpr std::size_t kTypeChars = 50;
const char* const kMediaTypes[] = {"wmv", "mpg", "mpeg", "avi", "mp4", "mp3"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isMediaType(const std::string& type) {
    const std::string lower = lowered(type.substr(0, kTypeChars));
    return std::any_of(std::begin(kMediaTypes), std::end(kMediaTypes),
                       [&](const char* t) { return lower.find(t) != std::string::npos; });
}

bool lessIgnoringCase(const std::string& a, const std::string& b) { return lowered(a) < lowered(b); }

}  // namespace

std::optional<std::vector<RecordingEntry>> ListRecordings(const std::string& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::vector<RecordingEntry> entries;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        const auto dot = name.rfind('.');
        if (dot == std::string::npos || !isMediaType(name.substr(dot + 1))) continue;
        struct stat info {};
        if (::stat(it->path().c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        entries.push_back({name, name.substr(dot + 1), static_cast<std::int64_t>(info.st_size),
                           static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    }
    return entries;
}

std::string FormatModified(std::int64_t modified_ns) {
    const std::time_t seconds = static_cast<std::time_t>(modified_ns / 1000000000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const auto twoDigits = [](int n) { return platform::format("%02d", n); };
    return platform::format("%s/%s %s:%s", kMonths[local.tm_mon], twoDigits(local.tm_mday).c_str(),
                            twoDigits(local.tm_hour).c_str(), twoDigits(local.tm_min).c_str());
}

std::string FormatSizeMb(std::int64_t size_bytes) {
    return platform::format("%.3f", static_cast<double>(size_bytes) / 1024 / 1024);
}

void SortRecordings(std::vector<RecordingEntry>& entries, RecordingColumn column) {
    std::stable_sort(entries.begin(), entries.end(), [column](const RecordingEntry& a, const RecordingEntry& b) {
        switch (column) {
            case kNameColumn: return lessIgnoringCase(a.name, b.name);
            case kTypeColumn: return lessIgnoringCase(a.type, b.type);
            case kSizeColumn: return a.size_bytes < b.size_bytes;
            case kModifiedColumn: return a.modified_ns > b.modified_ns;
        }
        return false;
    });
}

}  // namespace talvora
