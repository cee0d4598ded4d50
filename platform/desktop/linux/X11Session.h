#pragma once

#include <optional>
#include <string>

namespace platform {

// Whether an X server answers at $DISPLAY. The programs are X11 programs
// (windows are found by title, messages go through the X server), so main()
// asks before the toolkit starts, which would otherwise abort.
// Empty when a connection opened; otherwise the plain text for the user,
// naming `program` and the display it tried.
std::optional<std::string> x11SessionProblem(const std::string& program);

}  // namespace platform
