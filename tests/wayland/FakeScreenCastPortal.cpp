#include "FakeScreenCastPortal.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QPoint>
#include <QSize>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace talvora::test {
namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

struct Stream {
    uint node = 0;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Stream& stream) {
    argument.beginStructure();
    argument << stream.node << stream.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Stream& stream) {
    argument.beginStructure();
    argument >> stream.node >> stream.properties;
    argument.endStructure();
    return argument;
}

QVariant oneStream(uint node, const QVariantMap& properties) {
    qDBusRegisterMetaType<Stream>();
    qDBusRegisterMetaType<QList<Stream>>();
    return QVariant::fromValue(QList<Stream>{{node, properties}});
}

// A socket connected to `path`; -1 when it cannot be.
int connectedSocket(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    if (static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, name.constData(), name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return fd;
    close(fd);
    return -1;
}

}  // namespace

// Qt sends a point and a size as (ii).
FakeScreenCastPortal::FakeScreenCastPortal(const QDBusConnection& bus)
    : streamProperties{{QStringLiteral("position"), QPoint(1280, 0)},
                       {QStringLiteral("size"), QSize(640, 480)},
                       {QStringLiteral("source_type"), 1u}},
      bus_(bus) {}

bool FakeScreenCastPortal::serve() {
    return bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
           bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QString FakeScreenCastPortal::senderPart(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QDBusObjectPath FakeScreenCastPortal::respond(const QString& method, const QVariantMap& options,
                                              const QDBusMessage& message, const QVariantMap& results) {
    const QString token = options.value(QStringLiteral("handle_token")).toString();
    const QString path = kPath + QStringLiteral("/request/") + senderPart(message) + QLatin1Char('/') + token;
    auto response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                               QStringLiteral("Response"));
    const auto code = responses.find(method);
    response << (code == responses.end() ? 0u : code->second) << results;
    bus_.send(response);
    return QDBusObjectPath(path);
}

QDBusObjectPath FakeScreenCastPortal::CreateSession(const QVariantMap& options, const QDBusMessage& message) {
    const QString session = kPath + QStringLiteral("/session/") + senderPart(message) + QLatin1Char('/') +
                            options.value("session_handle_token").toString();
    bus_.registerObject(session, new FakePortalSession(*this, session), QDBusConnection::ExportAllSlots);
    return respond(QStringLiteral("CreateSession"), options, message, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakeScreenCastPortal::SelectSources(const QDBusObjectPath&, const QVariantMap& options,
                                                    const QDBusMessage& message) {
    selected = options;
    return respond(QStringLiteral("SelectSources"), options, message, {});
}

QDBusObjectPath FakeScreenCastPortal::Start(const QDBusObjectPath&, const QString&, const QVariantMap& options,
                                            const QDBusMessage& message) {
    return respond(QStringLiteral("Start"), options, message,
                   {{QStringLiteral("streams"), oneStream(streamNode, streamProperties)},
                    {QStringLiteral("restore_token"), QStringLiteral("token-2")}});
}

QDBusUnixFileDescriptor FakeScreenCastPortal::OpenPipeWireRemote(const QDBusObjectPath&, const QVariantMap&) {
    const int fd =
        pipeWireSocket.isEmpty() ? open("/dev/null", O_RDWR | O_CLOEXEC) : connectedSocket(pipeWireSocket);
    QDBusUnixFileDescriptor remote(fd);  // duplicates it
    close(fd);
    return remote;
}

}  // namespace talvora::test
