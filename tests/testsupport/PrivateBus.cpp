#include "PrivateBus.h"

#include "TestEnvironment.h"

namespace tarsel::test {

namespace {

const QByteArray kBusConfig
    = "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
      "<allow own=\"*\"/></policy></busconfig>\n";

} // namespace

PrivateBus::PrivateBus()
{
    const QString config = writeFile(testHome() + QStringLiteral("/bus.conf"), kBusConfig);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   { QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1") });
    if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(20000)) {
        m_address = m_daemon.readLine().trimmed();
    }
}

PrivateBus::~PrivateBus()
{
    m_daemon.kill();
    m_daemon.waitForFinished();
}

} // namespace tarsel::test
