#pragma once

#include <QDBusArgument>
#include <QString>
#include <QVariantMap>

namespace platform {

// A shortcut as the global-shortcuts portal carries it, (sa{sv}): its id and
// its properties ("description", "preferred_trigger", "trigger_description").
struct PortalShortcut {
    QString name;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

}  // namespace platform
