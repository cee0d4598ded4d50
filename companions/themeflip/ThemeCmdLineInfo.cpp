#include "companions/themeflip/ThemeCmdLineInfo.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"

namespace themeflip {

void ThemeCmdLineInfo::parse(const std::vector<std::string>& tokens) {
    params_.clear();
    seen_ = 0;
    for (const std::string& token : tokens) parseParam(token);
}

void ThemeCmdLineInfo::parseParam(const std::string& token) {
    if (params_.size() >= kSlots) {
        // Counts the tokens seen so far: 20 for the first one dropped.
        box_.show(platform::format("Too many parameters %d", seen_));
        ++seen_;
        return;
    }
    ++seen_;
    Param p;
    p.isSwitch = !token.empty() && (token.front() == '-' || token.front() == '/');
    p.text = p.isSwitch ? token.substr(1) : token;
    if (p.text.size() >= kSlotBytes) p.text.resize(kSlotBytes - 1);
    params_.push_back(std::move(p));
}

}  // namespace themeflip
