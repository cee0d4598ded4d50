#include "FakeGlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusMetaType>

#include "platform/desktop/linux/PortalRequest.h"

namespace talvora::test {
namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The path the portal makes for an object of `kind` that the sender of
// `message` asked for with `token`.
QString portalPath(const QString& kind, const QDBusMessage& message, const QString& token) {
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return platform::kPortalPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') + token;
}

}  // namespace

FakeGlobalShortcuts::FakeGlobalShortcuts(QObject* portal, const QDBusConnection& bus)
    : QDBusAbstractAdaptor(portal), bus_(bus) {
    qDBusRegisterMetaType<platform::PortalShortcut>();
    qDBusRegisterMetaType<QList<platform::PortalShortcut>>();
}

void FakeGlobalShortcuts::activate(const QString& name) {
    auto signal = QDBusMessage::createSignal(platform::kPortalPath, kInterface, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(bindings.back().session)) << name << qulonglong(0)
           << QVariantMap{};
    bus_.send(signal);
}

QDBusObjectPath FakeGlobalShortcuts::CreateSession(const QVariantMap& options, const QDBusMessage& message) {
    const QString session =
        portalPath(QStringLiteral("session"), message, options.value(QStringLiteral("session_handle_token")).toString());
    return respond(options, message, 0, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakeGlobalShortcuts::BindShortcuts(const QDBusObjectPath& session,
                                                   const QList<platform::PortalShortcut>& shortcuts, const QString&,
                                                   const QVariantMap& options, const QDBusMessage& message) {
    Binding binding{session.path(), {}};
    for (const platform::PortalShortcut& shortcut : shortcuts)
        binding.triggers[shortcut.name] = shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
    bindings.push_back(binding);
    // Every shortcut bound as asked; the list is left out, as some portals do.
    return respond(options, message, bindResponse, {});
}

// The Response goes out before the method's reply, as a fast portal's may.
QDBusObjectPath FakeGlobalShortcuts::respond(const QVariantMap& options, const QDBusMessage& message,
                                             std::uint32_t code, const QVariantMap& results) {
    const QString path =
        portalPath(QStringLiteral("request"), message, options.value(QStringLiteral("handle_token")).toString());
    auto response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                               QStringLiteral("Response"));
    response << code << results;
    bus_.send(response);
    return QDBusObjectPath(path);
}

}  // namespace talvora::test
