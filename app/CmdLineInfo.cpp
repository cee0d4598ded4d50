#include "app/CmdLineInfo.h"

#include "app/DecimalText.h"

namespace talvora {

void CmdLineInfo::parse(const std::vector<std::string>& parameters) {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const std::string& p = parameters[i];
        const bool isSwitch = !p.empty() && (p[0] == '-' || p[0] == '/');
        parseParam(isSwitch ? p.substr(1) : p, isSwitch, i + 1 == parameters.size());
    }
}

void CmdLineInfo::parseParam(const std::string& parameter, bool isSwitch, bool isLast) {
    if (count_ < kMaxEntries) {
        Entry& e = entries_[static_cast<std::size_t>(count_)];
        e.text = parameter.substr(0, kMaxParameterLength);
        e.isSwitch = isSwitch;
        e.isLast = isLast;
    }
    ++count_;  // parameters past the table are counted and otherwise ignored
}

bool CmdLineInfo::hasSwitch(const std::string& name) const {
    for (int i = 0; i < stored(); ++i)
        if (entry(i).isSwitch && entry(i).text == name) return true;
    return false;
}

int CmdLineInfo::switchValue(const std::string& name) const {
    for (int i = 0; i < stored(); ++i) {
        if (!entry(i).isSwitch || entry(i).text != name) continue;
        if (entry(i).isLast || i + 1 >= stored()) return 0;
        return parseDecimalInt(entry(i + 1).text);
    }
    return 0;
}

LaunchSwitches LaunchSwitches::from(const CmdLineInfo& info) {
    LaunchSwitches s;
    s.installer = info.hasSwitch("installer");
    s.x1 = info.switchValue("x1");
    s.y1 = info.switchValue("y1");
    s.x2 = info.switchValue("x2");
    s.y2 = info.switchValue("y2");
    s.w1 = info.switchValue("w1");
    s.w2 = info.switchValue("w2");
    return s;
}

}  // namespace talvora
