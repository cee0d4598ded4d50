#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Switches a compositor's compositing off and back on through its documented
// switch, chosen by the window manager's name. Some switches are user
// settings that outlive the program that set them; while one of those is
// off, a marker file names the compositor, so that a later start can give
// back what a killed program could not (giveBackLeftover). UI thread.
class CompositorSwitch {
public:
    // Runs a program with these arguments (no shell); true when it ended
    // with code 0.
    using Runner = std::function<bool(const std::vector<std::string>& command)>;

    // An empty `markerPath` keeps no marker.
    CompositorSwitch(std::string markerPath, Runner run);

    // The program behind `compositor`'s switch; empty when it has none.
    static std::string switchProgram(const std::string& compositor);

    // False when `compositor` has no switch or it failed.
    bool switchOff(const std::string& compositor);
    // Gives back what switchOff took; harmless when nothing was taken.
    void switchOn();
    // Gives back what the marker names and removes it; nothing without one.
    void giveBackLeftover();

private:
    struct Switch;
    static const Switch* find(const std::string& compositor);
    void writeMarker(const std::string& compositor) const;
    void removeMarker() const;

    std::string markerPath_;
    Runner run_;
    const Switch* taken_ = nullptr;
};

}  // namespace platform
