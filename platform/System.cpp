#include "platform/System.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMutex>
#include <QPalette>

namespace platform {

namespace {

QMutex& bundleMutex()
{
    static QMutex m;
    return m;
}

QString& bundleIdStorage()
{
    // The platform layer is built once; the plug-in's entry point sets the extension's id.
    static QString id = System::kAppBundleId;
    return id;
}

int versionPart(int index)
{
    const QStringList parts = System::systemVersion().split(QLatin1Char('.'));
    if (index >= parts.size()) {
        return 0;
    }
    bool ok = false;
    const int v = parts.at(index).toInt(&ok);
    return ok ? v : 0;
}

} // namespace

QString System::bundleIdentifier()
{
    QMutexLocker lock(&bundleMutex());
    return bundleIdStorage();
}

void System::setBundleIdentifier(const QString& bundleId)
{
    QMutexLocker lock(&bundleMutex());
    bundleIdStorage() = bundleId;
}

QString System::systemVersion()
{
    const QString v = qEnvironmentVariable("TARSEL_SYSTEM_VERSION").trimmed();
    return v.isEmpty() ? QStringLiteral("15.0") : v;
}

int System::majorVersion()
{
    return versionPart(0);
}
int System::minorVersion()
{
    return versionPart(1);
}

QStringList System::preferredLanguages()
{
    QStringList result;
    const QStringList langs = QLocale::system().uiLanguages();
    for (const QString& tag : langs) {
        const QLocale locale(tag);
        QString bcp = QLocale::languageToCode(locale.language());
        if (locale.script() != QLocale::AnyScript) {
            bcp += QLatin1Char('-') + QLocale::scriptToCode(locale.script());
        }
        if (locale.territory() != QLocale::AnyTerritory) {
            bcp += QLatin1Char('-') + QLocale::territoryToCode(locale.territory());
        }
        if (!result.contains(bcp)) {
            result << bcp;
        }
    }
    return result;
}

bool System::isDarkPalette()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return false;
    }
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::WindowText).lightness() > palette.color(QPalette::Window).lightness();
}

} // namespace platform
