#pragma once

#include <optional>
#include <string>

#include "app/Settings.h"

namespace talvora {

enum class ConversionKind { Mp4, Mp3 };

// Where a conversion's input comes from.
enum ConversionSource { kAfterRecording = 0, kFromBrowser = 1 };

// The ffmpeg run of one conversion: the file it writes and its parameter
// text, whose file names are escaped for the launcher's quoting rules.
struct ConversionCommand {
    std::string input;
    std::string output;
    std::string parameters;
};

// Video bit rate in kbit/s for a recording of this width.
int VideoBitrateForWidth(int width);

// The command for `input`, the full path of the file to convert. Empty when
// there is nothing to convert: a path of four characters or fewer, or sound
// asked for while `Video Only` is on. UI thread (reads the settings).
std::optional<ConversionCommand> MakeConversionCommand(ConversionKind kind, ConversionSource source,
                                                       const std::string& input, const Settings& settings);

}  // namespace talvora
