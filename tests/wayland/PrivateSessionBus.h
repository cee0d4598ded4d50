#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace talvora::test {

// A session bus of the test's own, where fake desktop services answer: a
// recorder pointed at it (DBUS_SESSION_BUS_ADDRESS) meets the fakes instead
// of the desktop's services, which cannot be made to cancel or fail.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:tmpdir=/tmp")});
        if (daemon_.waitForReadyRead(5000)) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateSessionBus() {
        for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when dbus-daemon did not start.
    const QString& address() const { return address_; }

    // A connection of this process to the bus, under a name of its own
    // (one for the fake services, one for a client under test, ...).
    QDBusConnection connect(const QString& name) {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

}  // namespace talvora::test
