#include "platform/finder/FIFinderSyncController.h"

#include "platform/Defaults.h"

#include <QVariantList>

namespace platform {

namespace {

const QString kHostSuite = QStringLiteral("tarsel-finder");
const QString kIgnoredKey = QStringLiteral("ignored extensions");

} // namespace

bool FIFinderSyncController::isExtensionEnabled(const QString& extensionId)
{
    return !Defaults::suite(kHostSuite).arrayValue(kIgnoredKey).contains(extensionId);
}

bool FIFinderSyncController::setExtensionEnabled(const QString& extensionId, bool enabled)
{
    return Defaults::suite(kHostSuite).update(kIgnoredKey, [&](const QVariant& stored) {
        QVariantList ignored = stored.toList();
        ignored.removeAll(extensionId);
        if (!enabled) {
            ignored << extensionId;
        }
        return ignored.isEmpty() ? QVariant() : QVariant(ignored);
    });
}

FIFinderSyncController& FIFinderSyncController::defaultController()
{
    static FIFinderSyncController controller;
    return controller;
}

QSet<QUrl> FIFinderSyncController::directoryURLs() const
{
    QMutexLocker lock(&m_mutex);
    return m_directoryURLs;
}

void FIFinderSyncController::setDirectoryURLs(const QSet<QUrl>& urls)
{
    QMutexLocker lock(&m_mutex);
    m_directoryURLs = urls;
}

bool FIFinderSyncController::isServed(const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    for (const QUrl& url : m_directoryURLs) {
        QString folder = url.toLocalFile();
        if (folder.isEmpty()) {
            continue;
        }
        if (path == folder) {
            return true;
        }
        if (!folder.endsWith(QLatin1Char('/'))) {
            folder += QLatin1Char('/');
        }
        if (path.startsWith(folder)) {
            return true;
        }
    }
    return false;
}

QList<QUrl> FIFinderSyncController::selectedItemURLs() const
{
    QMutexLocker lock(&m_mutex);
    return m_selectedItemURLs;
}

QUrl FIFinderSyncController::targetedURL() const
{
    QMutexLocker lock(&m_mutex);
    return m_targetedURL;
}

void FIFinderSyncController::setSelectedItemURLs(const QList<QUrl>& urls)
{
    QMutexLocker lock(&m_mutex);
    m_selectedItemURLs = urls;
}

void FIFinderSyncController::setTargetedURL(const QUrl& url)
{
    QMutexLocker lock(&m_mutex);
    m_targetedURL = url;
}

} // namespace platform
