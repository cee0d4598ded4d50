#include "app/TerminalAnswer.h"

#include <algorithm>

namespace talvora {

namespace {

constexpr const char* kHelp =
    "Usage: talvora [-installer] [-x1 N] [-y1 N] [-w1 N] [-w2 N]\n"
    "       talvora --help | --version\n"
    "\n"
    "Records online meetings: the meeting window it finds (or a monitor, a marked\n"
    "region, moving video on the screen) with the remote side (the speakers) and\n"
    "the local side (the microphone) mixed, into .wmv or .mpg files.\n"
    "\n"
    "Options:\n"
    "  --help, -h    print this text and exit\n"
    "  --version     print the version and exit\n"
    "  -installer    apply the shipped settings again at this start\n"
    "  -x1 N, -y1 N  width and height of the main display in physical pixels\n"
    "  -w1 N         width of the main display used for the window's scale\n"
    "  -w2 N         width of the second display in physical pixels\n"
    "  -x2 N, -y2 N  accepted and ignored\n"
    "\n"
    "Hotkeys as shipped: Ctrl+F9 starts and stops a recording, Ctrl+F10 pauses,\n"
    "Ctrl+F11 mutes the microphone (SETTINGS changes them).\n"
    "Settings:   ~/.config/Corvane Telmark 2/settings_rp_goog.ini\n"
    "Recordings: ~/Videos/Talvora Recordings/ unless set otherwise in SETTINGS\n"
    "Environment: TALVORA_LOG=FILE keeps the recorder's trace lines in FILE.\n";

bool has(const std::vector<std::string>& arguments, std::initializer_list<const char*> names) {
    return std::any_of(arguments.begin(), arguments.end(), [&](const std::string& argument) {
        return std::any_of(names.begin(), names.end(), [&](const char* name) { return argument == name; });
    });
}

}  // namespace

std::optional<std::string> TerminalAnswer(const std::vector<std::string>& arguments) {
    if (has(arguments, {"--help", "-h"})) return std::string(kHelp);
    if (has(arguments, {"--version"})) return std::string("talvora " TALVORA_VERSION "\n");
    return std::nullopt;
}

}  // namespace talvora
