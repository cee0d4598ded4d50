#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>

namespace platform {

// Where the desktop portal's interfaces are served.
inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
// A method call is answered at once (the user's choice comes later, by
// Response); a portal that does not answer within this is not working.
constexpr int kPortalCallTimeoutMs = 10000;

// One request of the desktop portal (org.freedesktop.portal.Request): the
// method is called with a handle token of our own in its options (the last
// argument), and the Response on the request path made from our unique name
// and that token is subscribed before the call, so that a fast answer is not
// missed. Either `answered` runs once, with the response code and results,
// or `failed`, with the error of the call. The request then deletes itself;
// cancel() drops the answer. UI thread (or another thread with an event
// loop) only.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    using Answered = std::function<void(uint response, const QVariantMap& results)>;
    using Failed = std::function<void(const QString& error)>;

    // Calls `method` of `interface` at once.
    PortalRequest(QDBusConnection bus, const QString& interface, const QString& method, QList<QVariant> arguments,
                  Answered answered, Failed failed, QObject* parent);
    ~PortalRequest() override;
    PortalRequest(const PortalRequest&) = delete;
    PortalRequest& operator=(const PortalRequest&) = delete;

    // Neither callback runs any more; the request goes later.
    void cancel();

    // A token for a handle or session path element, unique enough per process.
    static QString newToken();
    // The path the portal gives an object of `kind` ("request", "session")
    // made for our connection with `token`.
    static QString objectPath(const QDBusConnection& bus, const QString& kind, const QString& token);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    void subscribe(const QString& path);
    void unsubscribe();
    void end();

    QDBusConnection bus_;
    QString path_;  // the request whose Response is awaited
    Answered answered_;
    Failed failed_;
};

}  // namespace platform
