#include "platform/ModalPolicy.h"

#include <QApplication>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

std::atomic<bool> g_showsOnOffscreen { false };

} // namespace

bool ModalPolicy::canAskUser()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return false;
    }
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("offscreen") || name == QLatin1String("minimal")) {
        return g_showsOnOffscreen.load();
    }
    return true;
}

void ModalPolicy::setShowsOnOffscreen(bool shows)
{
    g_showsOnOffscreen.store(shows);
}

void ModalPolicy::reportUnasked(const QString& question, const QString& answer)
{
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QStringLiteral("tarsel");
    }
    const QString line = QStringLiteral("%1: %2 [no display to ask; answered \"%3\"]\n").arg(name, question, answer);
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace platform
