#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/desktop/linux/PortalShortcut.h"

namespace talvora::test {

// The GlobalShortcuts portal on a private bus, as an adaptor of the object
// that serves the portal's path (beside a fake ScreenCast): it binds what it
// is asked to and sends Activated when told to.
class FakeGlobalShortcuts : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    FakeGlobalShortcuts(QObject* portal, const QDBusConnection& bus);

    uint version() const { return 1; }

    // One BindShortcuts: its session and each shortcut's preferred trigger
    // by name.
    struct Binding {
        QString session;
        std::map<QString, QString> triggers;
    };
    std::vector<Binding> bindings;
    std::uint32_t bindResponse = 0;  // BindShortcuts's response code

    // A press of the shortcut `name` of the last bound session.
    void activate(const QString& name);

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<platform::PortalShortcut>& shortcuts,
                                  const QString& parent, const QVariantMap& options, const QDBusMessage& message);

private:
    QDBusObjectPath respond(const QVariantMap& options, const QDBusMessage& message, std::uint32_t code,
                            const QVariantMap& results);

    QDBusConnection bus_;
};

}  // namespace talvora::test
