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
// its Response is sent before the method's reply, as a fast portal may.
class FakeScreenCastPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ availableSourceTypes)
    Q_PROPERTY(uint AvailableCursorModes READ availableCursorModes)
    Q_PROPERTY(uint version READ version)

public:
    explicit FakeScreenCastPortal(const QDBusConnection& bus);

    uint availableSourceTypes() const { return 1; }  // monitors only
    uint availableCursorModes() const { return 1 | 2; }
    uint version() const { return 4; }

    // The response code of each request by method name; 0 where not given.
    std::map<QString, std::uint32_t> responses;
    QVariantMap selected;  // SelectSources's options
    QStringList closedSessions;
    // The one stream Start gives.
    uint streamNode = 42;
    QPoint streamPosition{1280, 0};
    QSize streamSize{640, 480};
    // The PipeWire socket OpenPipeWireRemote connects to; /dev/null when empty.
    QString pipeWireSocket;

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
