#include "platform/composition/linux/X11Composition.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/DiagnosticLog.h"

extern char** environ;

namespace platform {
namespace {

// Runs a program from PATH with this argument vector (no shell) and waits for
// it; true when it ran and ended with code 0.
bool run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// $XDG_STATE_HOME/talvora/compositing-off (default ~/.local/state/...);
// empty without a home folder.
std::string markerPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/') return std::string(state) + "/talvora/compositing-off";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') return {};
    return std::string(home) + "/.local/state/talvora/compositing-off";
}

}  // namespace

void GiveBackLeftoverCompositing() { CompositorSwitch(markerPath(), run).giveBackLeftover(); }

X11Composition::X11Composition(DiagnosticLog& log) : log_(log), switch_(markerPath(), run) {}

X11Composition::~X11Composition() { restore(); }

int X11Composition::screenNumber() const {
    if (!xcb_.ok()) return 0;
    int n = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(xcb_.get())); it.rem; xcb_screen_next(&it), ++n)
        if (it.data->root == xcb_.root()) return n;
    return 0;
}

bool X11Composition::isEnabled() {
    if (!xcb_.ok()) return false;
    const xcb_atom_t selection = xcb_.atom("_NET_WM_CM_S" + std::to_string(screenNumber()));
    if (selection == 0) return false;
    const auto owner = xcb_.reply(xcb_get_selection_owner_reply, xcb_get_selection_owner(xcb_.get(), selection));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

std::string X11Composition::windowName(xcb_window_t window) {
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        const auto reply = xcb_.reply(xcb_get_property_reply, xcb_.requestProperty(window, xcb_.atom(property)));
        if (!reply || reply->format != 8) continue;
        const int length = xcb_get_property_value_length(reply.get());
        if (length > 0) return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    }
    return {};
}

std::string X11Composition::compositorName() {
    if (!xcb_.ok()) return {};
    const auto check = xcb_.cardinals(xcb_.root(), xcb_.atom("_NET_SUPPORTING_WM_CHECK"));
    std::string name = check.empty() ? std::string() : windowName(check.front());
    if (!name.empty()) return name;
    const xcb_atom_t selection = xcb_.atom("_NET_WM_CM_S" + std::to_string(screenNumber()));
    const auto owner = xcb_.reply(xcb_get_selection_owner_reply, xcb_get_selection_owner(xcb_.get(), selection));
    return owner && owner->owner != XCB_WINDOW_NONE ? windowName(owner->owner) : std::string();
}

bool X11Composition::disable() {
    if (taken_) return true;
    if (!isEnabled()) return true;
    const std::string name = compositorName();
    const std::string program = CompositorSwitch::switchProgram(name);
    if (switch_.switchOff(name)) {
        taken_ = true;
        return true;
    }
    const std::string line =
        program.empty() ? "Compositing stays on: the running compositor (" +
                              (name.empty() ? std::string("unknown") : name) +
                              ") offers no documented way to switch it off"
                        : "Compositing stays on: " + program + " could not switch " + name + "'s compositing off";
    log_.append(line);
    std::fprintf(stderr, "%s\n", line.c_str());
    return false;
}

void X11Composition::restore() {
    if (!taken_) return;
    taken_ = false;
    switch_.switchOn();
}

void X11Composition::giveBackLeftover() { switch_.giveBackLeftover(); }

}  // namespace platform
