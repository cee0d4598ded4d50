#include "PrivateBus.h"

#include <QFile>

namespace talvora::test {

namespace {

const char* const kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

PrivateBus::~PrivateBus() {
    for (const QString& name : connections_) QDBusConnection::disconnectFromBus(name);
    daemon_.kill();
    daemon_.waitForFinished();
}

bool PrivateBus::start() {
    const QString config = config_.filePath("bus.conf");
    QFile file(config);
    if (!config_.isValid() || !file.open(QIODevice::WriteOnly) || file.write(kConfig) < 0) return false;
    file.close();
    daemon_.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config, QStringLiteral("--nofork"),
                                                  QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForReadyRead(5000)) return false;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return !address_.isEmpty();
}

QDBusConnection PrivateBus::connect(const QString& name) {
    connections_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

}  // namespace talvora::test
