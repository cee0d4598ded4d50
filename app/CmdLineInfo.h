#pragma once

#include <array>
#include <string>
#include <vector>

namespace talvora {

// The command line as the launcher passes it: up to 20 parameters, each
// remembered with whether it was written as a switch ("-x" or "/x", the
// leader stripped) and whether it was the last one.
class CmdLineInfo {
public:
    static constexpr int kMaxEntries = 20;
    static constexpr std::size_t kMaxParameterLength = 99;

    struct Entry {
        std::string text;
        bool isSwitch = false;
        bool isLast = false;
    };

    // Parses the parameters after the program name.
    void parse(const std::vector<std::string>& parameters);

    // Called per parameter by parse(), in order.
    void parseParam(const std::string& parameter, bool isSwitch, bool isLast);

    int count() const { return count_; }
    int stored() const { return count_ < kMaxEntries ? count_ : kMaxEntries; }
    const Entry& entry(int i) const { return entries_[static_cast<std::size_t>(i)]; }

    // True when `name` was written as a switch.
    bool hasSwitch(const std::string& name) const;
    // The decimal value of the parameter after switch `name`; 0 when the
    // switch is absent or nothing follows it.
    int switchValue(const std::string& name) const;

private:
    std::array<Entry, kMaxEntries> entries_{};
    int count_ = 0;
};

// The switches the recorder reads from the table.
struct LaunchSwitches {
    bool installer = false;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int w1 = 0;
    int w2 = 0;

    static LaunchSwitches from(const CmdLineInfo& info);
};

}  // namespace talvora
