#include "PrivateHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

namespace tarsel::test {

void pointEnvironmentAt(const QString& home)
{
    const QByteArray h = QFile::encodeName(home);
    qputenv("HOME", h);
    qputenv("XDG_CONFIG_HOME", h + "/.config");
    qputenv("XDG_DATA_HOME", h + "/.local/share");
    qputenv("XDG_CACHE_HOME", h + "/.cache");
    // A private runtime folder too: per-user sockets of one run never meet another run's.
    const QString runtime = home + QStringLiteral("/.runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qunsetenv("TARSEL_CLOUD_DIR");
    qunsetenv("TARSEL_SYSTEM_VERSION");
    // No run reaches the desktop session it was started from (a real file manager would show
    // its items); a test that needs a bus starts its own.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    for (const char* sub : { "/.config", "/.local/share", "/.cache" }) {
        QDir().mkpath(home + QLatin1String(sub));
    }
}

} // namespace tarsel::test
