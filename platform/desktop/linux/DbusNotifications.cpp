#include "platform/desktop/linux/DbusNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace platform {

namespace {
const QString kService = "org.freedesktop.Notifications";
const QString kPath = "/org/freedesktop/Notifications";
const QString kInterface = "org.freedesktop.Notifications";
}  // namespace

DbusNotifications::DbusNotifications() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    bus.connect(kService, kPath, kInterface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, "NotificationClosed", this, SLOT(closed(uint, uint)));
}

void DbusNotifications::notify(const std::string& summary, const std::string& body,
                               const std::vector<NotificationAction>& actions, ActionHandler onAction) {
    QStringList pairs;
    for (const NotificationAction& action : actions)
        pairs << QString::fromStdString(action.key) << QString::fromStdString(action.label);
    // Services read the body as markup: a file name's '&' or '<' stays text.
    const QString text = QString::fromStdString(body).toHtmlEscaped();
    // Workers notify too; the bus's replies and signals come to this object's thread.
    QMetaObject::invokeMethod(
        this,
        [this, s = QString::fromStdString(summary), text, pairs, onAction = std::move(onAction)] {
            send(s, text, pairs, onAction);
        },
        Qt::QueuedConnection);
}

void DbusNotifications::send(const QString& summary, const QString& body, const QStringList& actions,
                             ActionHandler onAction) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    QVariantMap hints;
    hints.insert("desktop-entry", QString("org.talvora.Talvora"));
    call << QString("Talvora") << uint(0) << QString("talvora") << summary << body << actions << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, onAction = std::move(onAction)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                // An error: no notification service runs, and nothing was shown.
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError() && onAction) handlers_[reply.value()] = onAction;
            });
}

void DbusNotifications::actionInvoked(uint id, const QString& key) {
    const auto it = handlers_.find(id);
    if (it == handlers_.end()) return;  // another program's notification
    const ActionHandler handler = it->second;
    handler(key.toStdString());
}

void DbusNotifications::closed(uint id, uint) { handlers_.erase(id); }

}  // namespace platform
