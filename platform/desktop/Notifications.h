#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// A button of a notification: the key its press reports and its label.
struct NotificationAction {
    std::string key;
    std::string label;
    bool operator==(const NotificationAction&) const = default;
};

// The desktop's notifications: a short message beside the programs, with
// buttons, that the desktop shows and keeps for the user.
class Notifications {
public:
    virtual ~Notifications() = default;

    // Called with the key of the pressed button, on the UI thread.
    using ActionHandler = std::function<void(const std::string& key)>;

    // Shows `summary` over `body` (plain text) with `actions` as buttons;
    // nothing where the desktop runs no notification service. Any thread.
    virtual void notify(const std::string& summary, const std::string& body,
                        const std::vector<NotificationAction>& actions, ActionHandler onAction) = 0;
};

}  // namespace platform
