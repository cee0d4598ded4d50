#include "platform/desktop/fake/FakeHotkeys.h"

#include <algorithm>

namespace platform {

bool FakeHotkeys::registerHotKey(WindowId target, int id, int modifiers, int virtualKey) {
    attempts.push_back({target, id, modifiers, virtualKey});
    unregisterHotKey(target, id);
    const bool ours = std::any_of(registered.begin(), registered.end(), [&](const Registration& r) {
        return r.modifiers == modifiers && r.virtualKey == virtualKey;
    });
    if (ours || heldElsewhere.contains({modifiers, virtualKey})) return false;
    registered.push_back({target, id, modifiers, virtualKey});
    return true;
}

bool FakeHotkeys::unregisterHotKey(WindowId target, int id) {
    const auto it = std::find_if(registered.begin(), registered.end(),
                                 [&](const Registration& r) { return r.target == target && r.id == id; });
    if (it == registered.end()) return false;
    registered.erase(it);
    return true;
}

void FakeHotkeys::listen(WindowId target, Handler handler) { handlers_[target] = std::move(handler); }

bool FakeHotkeys::press(int modifiers, int virtualKey) {
    for (const Registration& r : registered) {
        if (r.modifiers != modifiers || r.virtualKey != virtualKey) continue;
        const auto it = handlers_.find(r.target);
        if (it != handlers_.end() && it->second) {
            const Handler handler = it->second;
            handler(r.id);
        }
        return true;
    }
    return false;
}

}  // namespace platform
