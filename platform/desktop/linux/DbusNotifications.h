#pragma once

#include <QObject>
#include <QString>
#include <map>

#include "platform/desktop/Notifications.h"

namespace platform {

// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Made on the UI thread,
// where its buttons are reported.
class DbusNotifications : public QObject, public Notifications {
    Q_OBJECT
public:
    DbusNotifications();

    void notify(const std::string& summary, const std::string& body, const std::vector<NotificationAction>& actions,
                ActionHandler onAction) override;

private slots:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id, uint reason);

private:
    // UI thread.
    void send(const QString& summary, const QString& body, const QStringList& actions, ActionHandler onAction);

    std::map<uint, ActionHandler> handlers_;  // by notification id, until it closes
};

}  // namespace platform
