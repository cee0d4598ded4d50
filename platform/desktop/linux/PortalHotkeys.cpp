#include "platform/desktop/linux/PortalHotkeys.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "platform/desktop/linux/PortalRequest.h"
#include "platform/desktop/linux/PortalShortcut.h"
#include "platform/desktop/linux/X11VirtualKeys.h"

namespace platform {

namespace {

const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

// The combination in the desktop's shortcut format ("CTRL+SHIFT+a"); empty
// when a modifier or the key has no name there.
QString triggerOf(int modifiers, int virtualKey) {
    if ((modifiers & ~(kHotkeyAlt | kHotkeyControl | kHotkeyShift | kHotkeyWin)) != 0) return {};
    const std::string key = keysymNameOfVirtualKey(virtualKey);
    if (key.empty()) return {};
    QStringList parts;
    if (modifiers & kHotkeyControl) parts << QStringLiteral("CTRL");
    if (modifiers & kHotkeyAlt) parts << QStringLiteral("ALT");
    if (modifiers & kHotkeyShift) parts << QStringLiteral("SHIFT");
    if (modifiers & kHotkeyWin) parts << QStringLiteral("LOGO");
    parts << QString::fromStdString(key);
    return parts.join(QLatin1Char('+'));
}

QStringList boundNames(const QVariant& value) {
    QStringList names;
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return names;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        PortalShortcut shortcut;
        argument >> shortcut;
        names << shortcut.name;
    }
    argument.endArray();
    return names;
}

}  // namespace

bool PortalHotkeys::offered(const QDBusConnection& bus, int timeout_ms) {
    if (!bus.isConnected()) return false;
    auto call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                               QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call.setArguments({kGlobalShortcuts, QStringLiteral("version")});
    const QDBusReply<QDBusVariant> reply = bus.call(call, QDBus::Block, timeout_ms);
    return reply.isValid() && reply.value().variant().toUInt() > 0;
}

PortalHotkeys::PortalHotkeys(std::map<int, Shortcut> shortcuts, Refused refused, QDBusConnection bus)
    : bus_(std::move(bus)), shortcuts_(std::move(shortcuts)), refused_(std::move(refused)) {
    if (!refused_) refused_ = [](const QString&) {};
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    bus_.connect(kPortalService, kPortalPath, kGlobalShortcuts, QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusMessage)));
}

PortalHotkeys::~PortalHotkeys() {
    bus_.disconnect(kPortalService, kPortalPath, kGlobalShortcuts, QStringLiteral("Activated"), this,
                    SLOT(onActivated(QDBusMessage)));
    closeSession();
}

bool PortalHotkeys::registerHotKey(WindowId target, int id, int modifiers, int virtualKey) {
    unregisterHotKey(target, id);
    const QString trigger = triggerOf(modifiers, virtualKey);
    // One combination serves one hotkey, as on any desktop.
    const bool taken = std::any_of(registrations_.begin(), registrations_.end(),
                                   [&](const auto& r) { return r.first != id && r.second.trigger == trigger; });
    if (!bus_.isConnected() || trigger.isEmpty() || taken) return false;
    registrations_[id] = {target, trigger};
    bindLater();
    return true;
}

bool PortalHotkeys::unregisterHotKey(WindowId target, int id) {
    const auto it = registrations_.find(id);
    if (it == registrations_.end() || it->second.target != target) return false;
    registrations_.erase(it);
    bindLater();
    return true;
}

void PortalHotkeys::listen(WindowId target, Handler handler) {
    if (handler)
        handlers_[target] = std::move(handler);
    else
        handlers_.erase(target);
}

void PortalHotkeys::onActivated(const QDBusMessage& message) {
    const QString session = qdbus_cast<QDBusObjectPath>(message.arguments().value(0)).path();
    const QString shortcut = message.arguments().value(1).toString();
    if (session_.isEmpty() || session != session_) return;  // another program's, or a closed one
    for (const auto& [id, registration] : bound_) {
        if (nameOf(id) != shortcut) continue;
        const auto handler = handlers_.find(registration.target);
        // The handler may register again, which changes the maps.
        if (handler != handlers_.end()) Handler(handler->second)(id);
        return;
    }
}

void PortalHotkeys::bindLater() {
    // The registrations of one settings change come together: bound as one.
    if (bindQueued_) return;
    bindQueued_ = true;
    QTimer::singleShot(0, this, [this] { rebind(); });
}

void PortalHotkeys::rebind() {
    bindQueued_ = false;
    // A window rebuilt for a new scale registers the same keys again: the
    // desktop is not asked again for them.
    const bool sameKeys = std::equal(
        registrations_.begin(), registrations_.end(), bound_.begin(), bound_.end(),
        [](const auto& a, const auto& b) { return a.first == b.first && a.second.trigger == b.second.trigger; });
    if (sameKeys && (!session_.isEmpty() || bound_.empty())) {
        bound_ = registrations_;
        return;
    }
    closeSession();
    bound_ = registrations_;
    if (bound_.empty()) return;
    const QString token = PortalRequest::newToken();
    const QString session = PortalRequest::objectPath(bus_, QStringLiteral("session"), token);
    session_ = session;
    request_ = new PortalRequest(
        bus_, kGlobalShortcuts, QStringLiteral("CreateSession"),
        {QVariantMap{{QStringLiteral("session_handle_token"), token}}},
        [this, session](uint response, const QVariantMap&) {
            if (response != 0) {
                refused_(QStringLiteral("CreateSession: the desktop refused (%1)").arg(response));
                closeSession();
                return;
            }
            bind(session);
        },
        [this](const QString& error) {
            refused_(QStringLiteral("CreateSession: ") + error);
            closeSession();
        },
        this);
}

void PortalHotkeys::bind(const QString& session) {
    QList<PortalShortcut> shortcuts;
    for (const auto& [id, registration] : bound_) {
        const auto known = shortcuts_.find(id);
        const QString description =
            known != shortcuts_.end() ? known->second.description : QStringLiteral("Hotkey %1").arg(id);
        shortcuts.append({nameOf(id),
                          {{QStringLiteral("description"), description},
                           {QStringLiteral("preferred_trigger"), registration.trigger}}});
    }
    request_ = new PortalRequest(
        bus_, kGlobalShortcuts, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(), QVariantMap{}},
        [this](uint response, const QVariantMap& results) {
            if (response != 0) {
                refused_(QStringLiteral("BindShortcuts: the desktop refused (%1)").arg(response));
                closeSession();  // the next registration asks again
                return;
            }
            checkBound(results);
        },
        [this](const QString& error) {
            refused_(QStringLiteral("BindShortcuts: ") + error);
            closeSession();
        },
        this);
}

void PortalHotkeys::checkBound(const QVariantMap& results) {
    // A portal that lists nothing says nothing about them.
    if (!results.contains(QStringLiteral("shortcuts"))) return;
    const QStringList names = boundNames(results.value(QStringLiteral("shortcuts")));
    QStringList missing;
    for (const auto& entry : bound_)
        if (!names.contains(nameOf(entry.first))) missing << nameOf(entry.first);
    if (!missing.isEmpty())
        refused_(QStringLiteral("BindShortcuts: the desktop left out ") + missing.join(QStringLiteral(", ")));
}

void PortalHotkeys::closeSession() {
    if (request_) request_->cancel();
    if (session_.isEmpty()) return;
    // Not waited for: the session's shortcuts go with it.
    bus_.send(QDBusMessage::createMethodCall(kPortalService, session_, kSession, QStringLiteral("Close")));
    session_.clear();
}

QString PortalHotkeys::nameOf(int id) const {
    const auto known = shortcuts_.find(id);
    return known != shortcuts_.end() ? known->second.name : QStringLiteral("hotkey-%1").arg(id);
}

}  // namespace platform
