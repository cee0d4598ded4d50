#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop/Notifications.h"

namespace platform {

// Keeps every notification sent; a test presses their buttons.
class FakeNotifications : public Notifications {
public:
    struct Sent {
        std::string summary;
        std::string body;
        std::vector<NotificationAction> actions;
        ActionHandler onAction;
    };

    void notify(const std::string& summary, const std::string& body, const std::vector<NotificationAction>& actions,
                ActionHandler onAction) override {
        std::lock_guard lock(mutex_);
        sent_.push_back({summary, body, actions, std::move(onAction)});
    }
    std::vector<Sent> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    // Presses the button `key` of the notification sent `index`-th.
    void press(std::size_t index, const std::string& key) const {
        const ActionHandler handler = sent().at(index).onAction;
        if (handler) handler(key);
    }

private:
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
};

}  // namespace platform
