#include "platform/desktop/fake/FakeWindowMessages.h"

namespace platform {

MessageId FakeWindowMessages::registerMessage(const std::string& name) {
    auto [it, added] = ids_.try_emplace(name, static_cast<MessageId>(0xC000 + ids_.size()));
    return it->second;
}

bool FakeWindowMessages::post(WindowId window, MessageId message, std::intptr_t wParam, std::intptr_t lParam) {
    if (failPosts) return false;
    posted.push_back({window, message, wParam, lParam});
    auto it = handlers_.find(window);
    if (it != handlers_.end() && it->second) it->second(message, wParam, lParam);
    return true;
}

void FakeWindowMessages::listen(WindowId window, Handler handler) { handlers_[window] = std::move(handler); }

MessageId FakeWindowMessages::idOf(const std::string& name) const {
    auto it = ids_.find(name);
    return it == ids_.end() ? 0 : it->second;
}

}  // namespace platform
