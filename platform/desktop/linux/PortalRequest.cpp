#include "platform/desktop/linux/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QRandomGenerator>

#include <utility>

namespace platform {

namespace {

const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

PortalRequest::PortalRequest(QDBusConnection bus, const QString& interface, const QString& method,
                             QList<QVariant> arguments, Answered answered, Failed failed, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), answered_(std::move(answered)), failed_(std::move(failed)) {
    const QString token = newToken();
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    subscribe(objectPath(bus_, QStringLiteral("request"), token));
    auto call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kPortalCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (!failed_) return;  // answered or cancelled meanwhile
        const QDBusMessage reply = finished->reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            const Failed tell = std::move(failed_);
            end();
            tell(reply.errorMessage());
            return;
        }
        // Portals before version 0.9 name the request otherwise.
        const QString path = qdbus_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
        if (!path.isEmpty() && path != path_) subscribe(path);
    });
}

PortalRequest::~PortalRequest() { unsubscribe(); }

void PortalRequest::cancel() { end(); }

QString PortalRequest::newToken() {
    return QStringLiteral("talvora_%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

QString PortalRequest::objectPath(const QDBusConnection& bus, const QString& kind, const QString& token) {
    // Named after our unique name without its colon, dots made underscores.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPortalPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') + token;
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) {
    if (!answered_) return;
    const Answered tell = std::move(answered_);
    end();
    tell(response, results);
}

void PortalRequest::subscribe(const QString& path) {
    unsubscribe();
    path_ = path;
    bus_.connect(kPortalService, path_, kRequest, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::unsubscribe() {
    if (path_.isEmpty()) return;
    bus_.disconnect(kPortalService, path_, kRequest, QStringLiteral("Response"), this,
                    SLOT(onResponse(uint, QVariantMap)));
    path_.clear();
}

void PortalRequest::end() {
    unsubscribe();
    answered_ = nullptr;
    failed_ = nullptr;
    deleteLater();
}

}  // namespace platform
