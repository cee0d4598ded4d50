#include "platform/media/linux/RecordingJournal.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace platform {

namespace {

// "<pid>-<hash of the path>.recording": the process that writes it, and one
// note per recording of that process.
constexpr const char* kNoteExtension = ".recording";

bool processRuns(long pid) {
    if (pid <= 0) return false;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

RecordingJournal::RecordingJournal(std::string folder) : folder_(std::move(folder)) {}

std::string RecordingJournal::notePath(const std::string& recording) const {
    std::ostringstream name;
    name << ::getpid() << '-' << std::hex << std::hash<std::string>{}(recording) << kNoteExtension;
    return (std::filesystem::path(folder_) / name.str()).string();
}

void RecordingJournal::begin(const std::string& recording) const {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    // Written aside and renamed, so that a note is never read half written.
    const std::string note = notePath(recording);
    const std::string partial = note + ".new";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << recording;
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(partial, ec);
            return;
        }
    }
    std::filesystem::rename(partial, note, ec);
}

void RecordingJournal::end(const std::string& recording) const {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(notePath(recording), ec);
}

std::vector<RecordingJournal::Entry> RecordingJournal::unfinished() const {
    std::vector<Entry> entries;
    std::error_code ec;
    if (folder_.empty() || !std::filesystem::is_directory(folder_, ec)) return entries;
    for (const auto& item : std::filesystem::directory_iterator(folder_, ec)) {
        const std::filesystem::path& note = item.path();
        if (note.extension() != kNoteExtension) continue;
        const std::string name = note.filename().string();
        char* end = nullptr;
        const long pid = std::strtol(name.c_str(), &end, 10);
        if (end == name.c_str() || *end != '-' || processRuns(pid)) continue;
        std::ifstream in(note, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        entries.push_back({note.string(), text.str()});
    }
    return entries;
}

void RecordingJournal::forget(const Entry& entry) {
    std::error_code ec;
    std::filesystem::remove(entry.note, ec);
}

}  // namespace platform
