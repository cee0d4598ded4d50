#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/desktop/Hotkeys.h"

namespace platform {

// Hotkeys held in a table. Combinations in `heldElsewhere` belong to another
// program and fail to register; press() delivers like a key press would.
class FakeHotkeys : public Hotkeys {
public:
    struct Registration {
        WindowId target;
        int id;
        int modifiers;
        int virtualKey;
        bool operator==(const Registration&) const = default;
    };

    bool registerHotKey(WindowId target, int id, int modifiers, int virtualKey) override;
    bool unregisterHotKey(WindowId target, int id) override;
    void listen(WindowId target, Handler handler) override;

    // True when a registered combination was pressed.
    bool press(int modifiers, int virtualKey);

    std::set<std::pair<int, int>> heldElsewhere;  // (modifiers, virtual key)
    std::vector<Registration> registered;
    // Every registration attempt in order, failed ones too.
    std::vector<Registration> attempts;

private:
    std::map<WindowId, Handler> handlers_;
};

}  // namespace platform
