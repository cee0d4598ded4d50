#pragma once

#include <optional>
#include <string>
#include <vector>

namespace talvora {

// What the recorder prints to the terminal for "--help" (or "-h") and
// "--version" among its arguments, before it touches the desktop; nothing
// for any other command line, which starts the recorder.
std::optional<std::string> TerminalAnswer(const std::vector<std::string>& arguments);

}  // namespace talvora
