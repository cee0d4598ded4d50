#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <map>

namespace talvora::test {

// The ScreenCast portal on a private bus, answering each request as told:
// its Response is sent before the method's reply, as a fast portal may. It
// grants a monitor whose PipeWire remote leads nowhere (/dev/null).
class FakeScreenCastPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ availableSourceTypes)
    Q_PROPERTY(uint AvailableCursorModes READ availableCursorModes)
    Q_PROPERTY(uint version READ version)

public:
    explicit FakeScreenCastPortal(const QDBusConnection& bus);
    // Takes the portal's name and object on the bus; false when taken.
    bool serve();

    uint availableSourceTypes() const { return sourceTypes; }
    uint availableCursorModes() const { return 1 | 2; }
    uint version() const { return 4; }

    uint sourceTypes = 1;  // monitors only
    // The stream Start gives: by default a monitor, node 42 at (1280, 0),
    // 640 x 480.
    uint streamNode = 42;
    QVariantMap streamProperties;
    // Where OpenPipeWireRemote's socket is connected (a PipeWire server's
    // socket); empty: a descriptor of /dev/null.
    QString pipeWireSocket;

    // The response code of each request by method name; 0 where not given.
    std::map<QString, std::uint32_t> responses;
    QVariantMap selected;  // SelectSources's options
    QStringList closedSessions;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath SelectSources(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message);
    QDBusObjectPath Start(const QDBusObjectPath& session, const QString& parent, const QVariantMap& options,
                          const QDBusMessage& message);
    QDBusUnixFileDescriptor OpenPipeWireRemote(const QDBusObjectPath& session, const QVariantMap& options);

private:
    QDBusObjectPath respond(const QString& method, const QVariantMap& options, const QDBusMessage& message,
                            const QVariantMap& results);
    static QString senderPart(const QDBusMessage& message);

    QDBusConnection bus_;
};

// A session object of the fake portal: records its Close.
class FakePortalSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public:
    FakePortalSession(FakeScreenCastPortal& portal, QString path)
        : QObject(&portal), portal_(portal), path_(std::move(path)) {}

public slots:
    void Close() { portal_.closedSessions << path_; }

private:
    FakeScreenCastPortal& portal_;
    QString path_;
};

}  // namespace talvora::test
