#pragma once

#include <optional>
#include <string>

namespace talvora {

// The settings dialog's rules for its edits, apart from the widgets.

// The duration edit on opening: "hh:mm:ss" of `Max File Time`, empty when it
// is below 1 or formats as "00:00:00".
std::string DurationEditText(int maxFileTime);

// The duration edit on OK.
struct DurationEntry {
    bool refused = false;  // not empty, not 8 long and without ':': the format message
    bool overDay = false;  // above 86,400 seconds: the 24-hour question
    int seconds = 0;       // 0 for an empty edit; -1 (no limit) for any other form
};
// `text` is the edit's text, of which the first 99 characters count.
DurationEntry ReadDuration(const std::string& text);

// The stored form of a hotkey edit ("ALT+82"): upper-cased, "ALT+" before
// "SHIFT+" before "CTRL+", the key being the character after the word, or the
// function key named there as the display form names it ("CTRL+F9"). Only
// the first 49 characters count. Empty when the text holds no modifier word
// or no character after it: the setting then stays as it is.
std::string HotkeySettingFromEdit(const std::u16string& text);

// The scale edit: the percent when it is a number from 50 to 250, else
// nothing (the caller shows the scale message).
std::optional<int> ReadScale(const std::string& text);

// A click on one of the record-what boxes: a checked box is unchecked and
// the other then checked when it was not, so one always stays checked; an
// unchecked box is checked.
struct RecordWhat {
    bool video = true;
    bool audio = true;
    bool operator==(const RecordWhat&) const = default;
};
RecordWhat ClickRecordVideo(RecordWhat now);
RecordWhat ClickRecordAudio(RecordWhat now);

}  // namespace talvora
