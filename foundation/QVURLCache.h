#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

namespace platform {
class Defaults;
}

/// Something that knows folders the process may use: the folders and their addresses.
class QVURLProvider
{
public:
    virtual ~QVURLProvider() = default;
    virtual QStringList availablePaths() const = 0;
    /// The address of that exact folder, or an invalid address when it cannot be used.
    virtual QUrl securityScopedURLForPath(const QString& path) = 0;
};

/// The process-wide store of folder-access grants.
///
/// A grant is a folder the user chose once; it is kept as a bookmark, the small record
/// {"path", "device", "inode"}, in a dictionary from folder path to record under the defaults
/// key "qv cached urls" of the process's own standard defaults. A bookmark resolves while a
/// folder with the same device and inode is at its path; one whose folder was replaced is
/// stale, one whose folder is gone does not resolve. A grant covers its folder and every path
/// below it (see covers()). Main thread only.
class QVURLCache final : public QVURLProvider
{
public:
    static inline const QString kCachedURLsKey = QStringLiteral("qv cached urls");

    static QVURLCache& sharedInstance();

    /// The folder covers the path: equal, the folder is "/", or the path continues with "/"
    /// right after the folder. Exact and case-sensitive.
    static bool covers(const QString& folder, const QString& path);
    /// The bookmark record of the folder at the path; empty when nothing is there.
    static QVariantMap bookmarkForPath(const QString& path);
    /// The folder's address when the record still names the same folder; invalid otherwise.
    /// `stale` tells a replaced folder from a missing one.
    static QUrl resolveBookmark(const QVariantMap& bookmark, bool* stale = nullptr);

    QString suiteName() const { return m_suiteName; }
    /// Chooses the defaults (the standard ones for a name that is not valid), merges the
    /// stored grants into the table and makes the cache its own provider.
    void setSuiteName(const QString& suiteName);

    void addURLProvider(QVURLProvider* provider);
    void removeURLProvider(QVURLProvider* provider);

    /// Stores a grant for the chosen folder. An existing healthy grant for the same path stays;
    /// a stale or unresolvable one is replaced. Narrower grants inside the folder are dropped.
    void saveSecurityURL(const QUrl& url);
    /// The address of a stored folder that covers the path (links resolved), or invalid.
    QUrl urlWithAllowAccessToPath(const QString& path);
    QUrl urlWithAllowAccessToURL(const QUrl& url);

    QStringList availablePaths() const override;
    QStringList cachedPaths() const { return availablePaths(); }
    QUrl securityScopedURLForPath(const QString& path) override;

    /// Forgets the first stored folder that covers the path.
    void removeCachedPath(const QString& path);
    void clearAllCached();

    Q_DISABLE_COPY_MOVE(QVURLCache)

private:
    QVURLCache();
    ~QVURLCache() override = default;
    void write();

    QString m_suiteName;
    platform::Defaults* m_userDefaults = nullptr;
    QList<QVURLProvider*> m_providers;
    QVariantMap m_cachedBookmarks;
    QHash<QString, QUrl> m_cachedURLs;
};
