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

// One monitor stream. Qt sends a point and a size as (ii).
QVariant oneStream(uint node, QPoint position, QSize size) {
    qDBusRegisterMetaType<Stream>();
    qDBusRegisterMetaType<QList<Stream>>();
    const QVariantMap properties{{QStringLiteral("position"), position},
                                 {QStringLiteral("size"), size},
                                 {QStringLiteral("source_type"), 1u}};
    return QVariant::fromValue(QList<Stream>{{node, properties}});
}

// A new connection to the PipeWire socket at `path`; -1 when it fails.
int connectTo(const QString& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

}  // namespace

FakeScreenCastPortal::FakeScreenCastPortal(const QDBusConnection& bus) : bus_(bus) {}

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
                   {{QStringLiteral("streams"), oneStream(streamNode, streamPosition, streamSize)},
                    {QStringLiteral("restore_token"), QStringLiteral("token-2")}});
}

QDBusUnixFileDescriptor FakeScreenCastPortal::OpenPipeWireRemote(const QDBusObjectPath&, const QVariantMap&) {
    const int fd = pipeWireSocket.isEmpty() ? open("/dev/null", O_RDWR | O_CLOEXEC) : connectTo(pipeWireSocket);
    QDBusUnixFileDescriptor remote(fd);  // duplicates it
    close(fd);
    return remote;
}

}  // namespace talvora::test
