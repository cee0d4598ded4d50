#pragma once

#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/linux/RecordingJournal.h"

namespace platform {

enum class RepairOutcome {
    Repaired,    // rewritten: it plays and seeks to its end
    NotPossible  // left as it is (no file, no header, or the copy failed)
};

// Mends a recording whose writer never finished: an ASF file has no duration
// in its header and no index, and either format may end in a torn frame. Its
// streams are copied, all but each one's last packet, into a hidden sibling
// file, which replaces the original only once it is complete and reads back
// with every packet. The original is never lost.
RepairOutcome repairRecording(const std::string& path, DiagnosticLog& log);

// Repairs the recordings the journal holds as unfinished, then forgets them.
void repairUnfinishedRecordings(const RecordingJournal& journal, DiagnosticLog& log);

}  // namespace platform
