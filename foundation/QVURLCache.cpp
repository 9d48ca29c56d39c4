#include "foundation/QVURLCache.h"

#include "foundation/StringExpandText.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString kPath = QStringLiteral("path");
const QString kDevice = QStringLiteral("device");
const QString kInode = QStringLiteral("inode");

} // namespace

QVURLCache& QVURLCache::sharedInstance()
{
    static QVURLCache instance;
    return instance;
}

QVURLCache::QVURLCache()
{
    // The full setter: it loads the stored grants and registers the cache as its own provider.
    setSuiteName(QString(""));
}

bool QVURLCache::covers(const QString& folder, const QString& path)
{
    if (folder.isEmpty() || !path.startsWith(folder)) {
        return false;
    }
    return path.size() == folder.size() || folder == QLatin1String("/") || path.at(folder.size()) == QLatin1Char('/');
}

QVariantMap QVURLCache::bookmarkForPath(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return {};
    }
    return { { kPath, path }, { kDevice, static_cast<qint64>(st.st_dev) }, { kInode, static_cast<qint64>(st.st_ino) } };
}

QUrl QVURLCache::resolveBookmark(const QVariantMap& bookmark, bool* stale)
{
    if (stale) {
        *stale = false;
    }
    const QString path = bookmark.value(kPath).toString();
    const QVariantMap now = bookmarkForPath(path);
    if (now.isEmpty() || !bookmark.contains(kDevice) || !bookmark.contains(kInode)) {
        return {};
    }
    if (now.value(kDevice).toLongLong() != bookmark.value(kDevice).toLongLong()
        || now.value(kInode).toLongLong() != bookmark.value(kInode).toLongLong()) {
        if (stale) {
            *stale = true;
        }
        return {};
    }
    return QUrl::fromLocalFile(path);
}

void QVURLCache::setSuiteName(const QString& suiteName)
{
    m_suiteName = suiteName;
    m_userDefaults = qv::isValid(suiteName) ? &platform::Defaults::suite(suiteName) : &platform::Defaults::standard();
    const QVariantMap stored = m_userDefaults->dictionaryValue(kCachedURLsKey);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        m_cachedBookmarks.insert(it.key(), it.value());
    }
    addURLProvider(this);
}

void QVURLCache::addURLProvider(QVURLProvider* provider)
{
    if (provider && !m_providers.contains(provider)) {
        m_providers.append(provider);
    }
}

void QVURLCache::removeURLProvider(QVURLProvider* provider)
{
    m_providers.removeAll(provider);
}

void QVURLCache::saveSecurityURL(const QUrl& url)
{
    if (!url.isValid() || !url.isLocalFile()) {
        return;
    }
    const QString path = url.toLocalFile();
    if (m_cachedBookmarks.contains(path)) {
        // A healthy grant stays; a stale or unresolvable one would make the user choose the
        // same folder on every command, so it is replaced.
        if (resolveBookmark(m_cachedBookmarks.value(path).toMap()).isValid()) {
            return;
        }
    }
    const QVariantMap bookmark = bookmarkForPath(path);
    if (bookmark.isEmpty()) {
        return;
    }
    for (const QString& stored : m_cachedBookmarks.keys()) {
        if (covers(path, stored)) {
            m_cachedBookmarks.remove(stored);
            m_cachedURLs.remove(stored);
        }
    }
    m_cachedBookmarks.insert(path, bookmark);
    // The bookmark was taken from the item just now: it resolves to the path itself.
    m_cachedURLs.insert(path, QUrl::fromLocalFile(path));
    write();
}

QUrl QVURLCache::urlWithAllowAccessToPath(const QString& path)
{
    if (path.isEmpty()) {
        return {};
    }
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString resolved = canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
    for (QVURLProvider* provider : m_providers) {
        for (const QString& folder : provider->availablePaths()) {
            if (!covers(folder, resolved)) {
                continue;
            }
            const QUrl url = provider->securityScopedURLForPath(folder);
            if (url.isValid()) {
                return url;
            }
        }
    }
    return {};
}

QUrl QVURLCache::urlWithAllowAccessToURL(const QUrl& url)
{
    return url.isLocalFile() ? urlWithAllowAccessToPath(url.toLocalFile()) : QUrl();
}

QStringList QVURLCache::availablePaths() const
{
    return m_cachedBookmarks.keys();
}

QUrl QVURLCache::securityScopedURLForPath(const QString& path)
{
    const auto cached = m_cachedURLs.constFind(path);
    if (cached != m_cachedURLs.constEnd()) {
        return cached.value();
    }
    if (!m_cachedBookmarks.contains(path)) {
        return {};
    }
    const QUrl url = resolveBookmark(m_cachedBookmarks.value(path).toMap());
    if (url.isValid()) {
        m_cachedURLs.insert(path, url);
    }
    return url;
}

void QVURLCache::removeCachedPath(const QString& path)
{
    for (const QString& stored : m_cachedBookmarks.keys()) {
        if (covers(stored, path)) {
            m_cachedBookmarks.remove(stored);
            m_cachedURLs.remove(stored);
            write();
            return;
        }
    }
}

void QVURLCache::clearAllCached()
{
    m_cachedBookmarks.clear();
    m_cachedURLs.clear();
    write();
}

void QVURLCache::write()
{
    m_userDefaults->setValue(kCachedURLsKey, m_cachedBookmarks);
}
