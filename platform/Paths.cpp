#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

QString envPath(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty() || !QDir::isAbsolutePath(value)) {
        return {};
    }
    return QDir::cleanPath(value);
}

QString passwdHome()
{
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return QDir::cleanPath(QString::fromLocal8Bit(pw->pw_dir));
    }
    return QStringLiteral("/");
}

// Reads one XDG_*_DIR entry of user-dirs.dirs ("$HOME/Desktop" form); empty when absent.
QString xdgUserDir(const char* key)
{
    QFile file(Paths::configHome() + QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    const QString prefix = QString::fromLatin1(key) + QLatin1Char('=');
    QTextStream in(&file);
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        if (!line.startsWith(prefix)) {
            continue;
        }
        QString value = line.mid(prefix.size());
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) {
            value = value.mid(1, value.size() - 2);
        }
        value.replace(QStringLiteral("$HOME"), Paths::home());
        if (!QDir::isAbsolutePath(value)) {
            return {};
        }
        value = QDir::cleanPath(value);
        // A user folder equal to home means "not set" in the XDG convention.
        return value == Paths::home() ? QString() : value;
    }
    return {};
}

QString userFolder(const char* key, const char* fallbackName)
{
    const QString dir = xdgUserDir(key);
    return dir.isEmpty() ? Paths::home() + QLatin1Char('/') + QLatin1String(fallbackName) : dir;
}

} // namespace

QString Paths::home()
{
    const QString h = envPath("HOME");
    return h.isEmpty() ? passwdHome() : h;
}

QString Paths::userName()
{
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) {
        return QString::fromLocal8Bit(pw->pw_name);
    }
    return qEnvironmentVariable("USER");
}

QString Paths::configHome()
{
    const QString p = envPath("XDG_CONFIG_HOME");
    return p.isEmpty() ? home() + QStringLiteral("/.config") : p;
}

QString Paths::dataHome()
{
    const QString p = envPath("XDG_DATA_HOME");
    return p.isEmpty() ? home() + QStringLiteral("/.local/share") : p;
}

QString Paths::cacheHome()
{
    const QString p = envPath("XDG_CACHE_HOME");
    return p.isEmpty() ? home() + QStringLiteral("/.cache") : p;
}

QString Paths::runtimeFolder()
{
    const QString p = envPath("XDG_RUNTIME_DIR");
    return p.isEmpty() ? cacheHome() + QStringLiteral("/tarsel/runtime") : p;
}

bool Paths::isSessionRuntimeFolder()
{
    return !envPath("XDG_RUNTIME_DIR").isEmpty();
}

QString Paths::desktop()
{
    return userFolder("XDG_DESKTOP_DIR", "Desktop");
}
QString Paths::documents()
{
    return userFolder("XDG_DOCUMENTS_DIR", "Documents");
}
QString Paths::downloads()
{
    return userFolder("XDG_DOWNLOAD_DIR", "Downloads");
}
QString Paths::pictures()
{
    return userFolder("XDG_PICTURES_DIR", "Pictures");
}
QString Paths::music()
{
    return userFolder("XDG_MUSIC_DIR", "Music");
}
QString Paths::movies()
{
    return userFolder("XDG_VIDEOS_DIR", "Videos");
}

QString Paths::tarselDataRoot()
{
    return dataHome() + QStringLiteral("/tarsel");
}

QString Paths::groupContainer(const QString& groupId)
{
    return tarselDataRoot() + QLatin1Char('/') + groupId;
}

QString Paths::groupSuiteFile(const QString& groupId)
{
    return groupContainer(groupId) + QStringLiteral("/Library/Preferences/") + groupId + QStringLiteral(".plist");
}

QString Paths::standardDefaultsFile(const QString& bundleId)
{
    return configHome() + QStringLiteral("/tarsel/") + bundleId + QStringLiteral(".plist");
}

QString Paths::applicationSupport(const QString& bundleId)
{
    return tarselDataRoot() + QLatin1Char('/') + bundleId;
}

QStringList Paths::volumeRoots()
{
    const QString user = userName();
    return { QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user, QStringLiteral("/mnt") };
}

bool Paths::ensureFolder(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    QFileInfo info(path);
    if (info.isDir()) {
        return true;
    }
    return QDir().mkpath(path);
}

} // namespace platform
