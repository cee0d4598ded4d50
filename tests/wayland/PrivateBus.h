#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace talvora::test {

// A session bus of a test's own, which starts no services: a name is there
// only while the test serves it (the system's session configuration would
// start the installed portal on the first call).
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts the daemon; false when it does not come up.
    bool start();
    QString address() const { return address_; }
    // A connection of this process, under `name`, closed with the bus.
    QDBusConnection connect(const QString& name);

private:
    QTemporaryDir config_;
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

}  // namespace talvora::test
