#include "platform/composition/CompositorSwitch.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {

struct CompositorSwitch::Switch {
    const char* compositor;  // the window manager's name
    std::vector<std::string> off;
    std::vector<std::string> on;
    // A user setting: it stays off across logins when nobody gives it back.
    bool persists;
};

CompositorSwitch::CompositorSwitch(std::string markerPath, Runner run)
    : markerPath_(std::move(markerPath)), run_(std::move(run)) {}

const CompositorSwitch::Switch* CompositorSwitch::find(const std::string& compositor) {
    // The documented switches, by window manager name.
    static const std::vector<Switch> switches = {
        {"KWin",
         {"dbus-send", "--session", "--type=method_call", "--dest=org.kde.KWin", "/Compositor",
          "org.kde.kwin.Compositing.suspend"},
         {"dbus-send", "--session", "--type=method_call", "--dest=org.kde.KWin", "/Compositor",
          "org.kde.kwin.Compositing.resume"},
         false},
        {"Xfwm4",
         {"xfconf-query", "-c", "xfwm4", "-p", "/general/use_compositing", "-s", "false"},
         {"xfconf-query", "-c", "xfwm4", "-p", "/general/use_compositing", "-s", "true"},
         true},
        {"Marco",
         {"gsettings", "set", "org.mate.Marco.general", "compositing-manager", "false"},
         {"gsettings", "set", "org.mate.Marco.general", "compositing-manager", "true"},
         true},
    };
    for (const Switch& s : switches)
        if (compositor == s.compositor) return &s;
    return nullptr;
}

std::string CompositorSwitch::switchProgram(const std::string& compositor) {
    const Switch* s = find(compositor);
    return s != nullptr ? s->off.front() : std::string();
}

bool CompositorSwitch::switchOff(const std::string& compositor) {
    const Switch* s = find(compositor);
    if (s == nullptr) return false;
    // Noted first: a kill right after the switch still finds the note.
    if (s->persists) writeMarker(compositor);
    if (!run_(s->off)) {
        if (s->persists) removeMarker();
        return false;
    }
    taken_ = s;
    return true;
}

void CompositorSwitch::switchOn() {
    const Switch* s = taken_;
    taken_ = nullptr;
    // A switch that failed keeps its note for the next start.
    if (s != nullptr && run_(s->on) && s->persists) removeMarker();
}

void CompositorSwitch::giveBackLeftover() {
    if (markerPath_.empty()) return;
    std::ifstream in(markerPath_);
    if (!in) return;
    std::string compositor;
    std::getline(in, compositor);
    in.close();
    const Switch* s = find(compositor);
    // A note naming no switch (damaged, empty) is simply dropped.
    if (s == nullptr || !s->persists || run_(s->on)) removeMarker();
}

void CompositorSwitch::writeMarker(const std::string& compositor) const {
    if (markerPath_.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(markerPath_).parent_path(), ec);
    std::ofstream(markerPath_, std::ios::trunc) << compositor << '\n';
}

void CompositorSwitch::removeMarker() const {
    std::error_code ec;
    if (!markerPath_.empty()) std::filesystem::remove(markerPath_, ec);
}

}  // namespace platform
