#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace talvora {

// One media file of the recordings folder, as the browser lists it.
struct RecordingEntry {
    std::string name;
    std::string type;  // the text after the last ".", as written
    std::int64_t size_bytes = 0;
    std::int64_t modified_ns = 0;  // last write, since the epoch
};

// The browser's columns, in their order.
enum RecordingColumn { kNameColumn = 0, kTypeColumn = 1, kSizeColumn = 2, kModifiedColumn = 3 };

// The media files ("wmv", "mpg", "mpeg", "avi", "mp4", "mp3" in the type)
// of `folder`, sub-folders left out; nullopt when it cannot be listed. A
// file that cannot be read is listed by what the folder says of it.
std::optional<std::vector<RecordingEntry>> ListRecordings(const std::string& folder);

// "Jul/07 10:15" in local time.
std::string FormatModified(std::int64_t modified_ns);

// "%.3f" megabytes.
std::string FormatSizeMb(std::int64_t size_bytes);

// Name and type ascending without regard to case, size ascending, newest
// first; equal entries keep their order.
void SortRecordings(std::vector<RecordingEntry>& entries, RecordingColumn column);

}  // namespace talvora
