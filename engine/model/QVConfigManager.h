#pragma once

#include "engine/model/QVConfigArchive.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <memory>

class QVCompress;

/// The configuration archive "qvconfig.zip": the shared defaults (as "config.plist") and the
/// five asset folders of the shared folder in one zip under a fixed password. Saves it, restores
/// from it, imports an archive the user chose, and keeps a copy in the cloud container
/// (platform::Ubiquity): upload, search with the time of the last backup, download and
/// restore, delete.
///
/// Nothing is changed by an archive that cannot be restored whole: a restore bounds the
/// archive by its records, extracts into a scratch folder in the private application-support
/// folder, takes from it only the asset folders and "config.plist", validates every value it
/// would copy as the store reader reads them (QVConfigArchive), and only then moves the files
/// in and applies the restorable keys. An archive refused says why (an import shows it) and
/// answers NO. An import or a download is staged under a temporary name and replaces the stored
/// archive only when it restored. The restorable keys are a fixed list (restorableKeys());
/// every other key keeps its value.
///
/// Blocks run on the main thread.
class QVConfigManager final
{
public:
    static inline const QString kConfigZipName = QStringLiteral("qvconfig.zip");
    static inline const QString kConfigPlistName = QStringLiteral("config.plist");
    static inline const QString kConfigPassword = QStringLiteral("480913572266");
    static inline const QString kTreatType = QStringLiteral("treat type");
    /// The cloud search is repeated while a copy is there but not yet found, at most this often.
    static constexpr int kCloudQueryRetryLimit = 10;

    /// The shared-defaults keys a restore copies back ("treat type" comes only from the cloud).
    static const QStringList& restorableKeys();
    /// The folders of the shared folder the archive carries.
    static const QStringList& assetFolders();
    /// The icon and template paths of the stored lists in values that name no regular file, in
    /// list order, each once.
    static QStringList missingAssetPaths(const QVariantMap& values);

    QVConfigManager();
    ~QVConfigManager();
    Q_DISABLE_COPY_MOVE(QVConfigManager)

    bool isSyncConfig() const { return m_isSyncConfig; }
    void setIsSyncConfig(bool v) { m_isSyncConfig = v; }
    bool fromCloud() const { return m_fromCloud; }
    void setFromCloud(bool v) { m_fromCloud = v; }
    bool isBackup() const { return m_isBackup; }
    QString configZipPath() const { return m_configZipPath; }
    /// The bounds an archive must keep to be restored (tests lower them).
    void setImportLimits(const QVConfigArchive::Limits& limits) { m_limits = limits; }
    /// The pause between two cloud searches (one second; tests shorten it).
    void setCloudRetryDelay(std::chrono::milliseconds delay) { m_retryDelay = delay; }

    /// Writes the archive (QVCompress), synchronously on the calling thread. The block gets
    /// configZipPath(), or an empty path when the save failed; "config.plist" is deleted either way.
    void saveConfigToPathWithComplete(std::function<void(const QString& path)> complete);
    /// Saves, then copies the archive to a free name at the destination; the block gets that
    /// path, empty on failure.
    void exportConfigToPath(const QString& destination, std::function<void(const QString& path)> complete);
    /// Restores from the chosen archive when the fixed password opens it, else shows "Config
    /// File Error Tip"; the stored archive is replaced only by an archive that restored.
    /// Every restore below ends, when icons or templates the restored lists name are missing,
    /// with one message listing those paths ("Config Missing Files Tip").
    void importConfigPath(const QString& path, std::function<void(bool ok)> complete);
    /// Restores from configZipPath().
    void setupConfigWithComplete(std::function<void(bool ok)> complete);
    /// Stores the bytes as configZipPath() (atomically), then restores from it.
    void setupConfigData(const QByteArray& data, std::function<void(bool ok)> complete);

    /// The cloud copy's path; empty when there is no container.
    static QString ubiquitousPackage();
    /// Saves and moves the archive into the cloud container; the local archive is gone after.
    void uploadConfigToCloudWithComplete(std::function<void(bool ok)> complete);
    bool deleteConfigFromCloud();
    /// Looks for the cloud copy: the block gets (true, how long ago it changed) when found,
    /// (true, empty) when there is none, (false, ...) when the copy could not be read or stayed
    /// unfindable after kCloudQueryRetryLimit searches. With isSyncConfig() the copy found is
    /// restored and the block gets the restore's result.
    void queryCloudDataWithComplete(std::function<void(bool ok, const QString& timeAgo)> complete);

private:
    void queryCloudDataFinished(int attempt);
    /// Extracts into scratch and validates (QVConfigArchive), then moves the asset files into
    /// the shared folder and applies the restorable keys; false with the reason, and nothing
    /// applied, when the archive was refused. *missing lists the icon and template paths of the
    /// restored lists that name no file afterwards.
    bool restoreFromArchive(const QString& archive, QString* error, QStringList* missing);

    QString m_configZipPath;
    bool m_isSyncConfig = false;
    bool m_fromCloud = false;
    bool m_isBackup = false;
    std::unique_ptr<QVCompress> m_compress;
    QVConfigArchive::Limits m_limits;
    std::function<void(bool, const QString&)> m_queryComplete;
    std::chrono::milliseconds m_retryDelay { 1000 };
    /// Held only by this object: the search's queued steps look at it and end quietly once
    /// the manager is gone (a page that closed before its search finished).
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};
