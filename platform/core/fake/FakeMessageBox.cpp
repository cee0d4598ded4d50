#include "platform/core/fake/FakeMessageBox.h"

namespace platform {

int FakeMessageBox::show(const std::string& text, MessageButtons buttons) {
    shown_.push_back({text, buttons});
    if (!answers_.empty()) {
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo ? IDYES : IDOK;
}

std::vector<std::string> FakeMessageBox::texts() const {
    std::vector<std::string> out;
    for (const auto& s : shown_) out.push_back(s.text);
    return out;
}

}  // namespace platform
