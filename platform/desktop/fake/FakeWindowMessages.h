#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop/WindowMessages.h"

namespace platform {

// Registered messages numbered from 0xC000 as the system does; posts are
// recorded and delivered at once to a listener of the same fake.
class FakeWindowMessages : public WindowMessages {
public:
    struct Posted {
        WindowId window;
        MessageId message;
        std::intptr_t wParam;
        std::intptr_t lParam;
    };

    MessageId registerMessage(const std::string& name) override;
    bool post(WindowId window, MessageId message, std::intptr_t wParam, std::intptr_t lParam) override;
    void listen(WindowId window, Handler handler) override;

    MessageId idOf(const std::string& name) const;

    std::vector<Posted> posted;
    bool failPosts = false;

private:
    std::map<std::string, MessageId> ids_;
    std::map<WindowId, Handler> handlers_;
};

}  // namespace platform
