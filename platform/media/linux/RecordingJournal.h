#pragma once

#include <string>
#include <vector>

namespace platform {

// Notes which recordings are being written, so that one left unfinished by a
// recorder that was killed is found at the next start: one small note per
// recording in a folder of the user's data, named after the writing process
// and holding the recording's path; taken away once the file is finished.
// Any thread; the notes of different recordings never share a file.
class RecordingJournal {
public:
    explicit RecordingJournal(std::string folder);

    // Before the recording's file is created. A note that cannot be written
    // only costs the repair after a crash: the recording goes ahead.
    void begin(const std::string& recording) const;
    // Once the file is complete (its trailer written) or removed.
    void end(const std::string& recording) const;

    struct Entry {
        std::string note;
        std::string recording;
    };
    // Recordings whose writer ended without finishing them: the notes of
    // processes that no longer run.
    std::vector<Entry> unfinished() const;
    static void forget(const Entry& entry);

    const std::string& folder() const { return folder_; }

private:
    std::string notePath(const std::string& recording) const;

    std::string folder_;
};

}  // namespace platform
