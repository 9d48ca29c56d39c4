#include "engine/model/QVConfigManager.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/compress/QVCompress.h"
#include "engine/service/zip/SSZipArchive.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/DateExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Defaults.h"
#include "platform/FileOps.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "platform/Ubiquity.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>

Q_LOGGING_CATEGORY(lcConfig, "tarsel.engine.config", QtWarningMsg)

namespace {

/// Takes from an archive only the asset folders and "config.plist": a crafted "configuration"
/// must not place anything else into the shared folder.
class AssetFilter final : public SSZipArchiveDelegate
{
public:
    bool zipArchiveShouldExtractEntry(const QString& name, const SSZipFileInfo&) override
    {
        return name == QVConfigManager::kConfigPlistName
            || QVConfigManager::assetFolders().contains(name.section(QLatin1Char('/'), 0, 0));
    }
};

QString sharedPlist()
{
    return QVMenuManager::sharedFolder() + QLatin1Char('/') + QVConfigManager::kConfigPlistName;
}

/// Moves every file of the scratch folder to the same place in the shared folder, replacing a
/// file of that name; other files there stay.
bool mergeInto(const QString& scratch, const QString& shared)
{
    QDirIterator it(scratch, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    bool ok = true;
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = shared + QLatin1Char('/') + QDir(scratch).relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).path());
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
            QFile::remove(to);
            if (!QFile::copy(from, to)) {
                qCWarning(lcConfig).noquote() << QStringLiteral("Failed to restore a file. File: \"%1\". Error: \"%2\"")
                                                     .arg(to, qt_error_string(errno));
                ok = false;
            }
        }
    }
    return ok;
}

} // namespace

const QStringList& QVConfigManager::restorableKeys()
{
    static const QStringList keys {
        "open new file",         "array common path",
        "array new file",        "array common app",
        "array common script",   "array folder icon",
        "array right menu",      "pref check",
        "pref check0",           "pref check1",
        "pref check2",           "pref check3",
        "pref check4",           "pref check5",
        "pref check6",           "common path next menu",
        "use count detail",      "use count",
        "compress skip junk",    "pref check8",
        "pref check14",          "fold menu name",
        "pref check9",           "is reviewed",
        "array borella",         "array borella pro",
        "pref check10",          "pref check11",
        "color picker format1",  "color picker format2",
        "pref check12",          "pref check15",
        "new file display mode", "new file hide extension",
    };
    return keys;
}

const QStringList& QVConfigManager::assetFolders()
{
    static const QStringList folders { "QVRightMenuIcon", "QVAppIcon", "QVFileTemplate", "QVFolderIcon", "QVCache" };
    return folders;
}

QVConfigManager::QVConfigManager()
    : m_configZipPath(QVMenuManager::configManagerFolder() + QLatin1Char('/') + kConfigZipName)
{
}

QVConfigManager::~QVConfigManager() = default;

void QVConfigManager::saveConfigToPathWithComplete(std::function<void(const QString& path)> complete)
{
    const QStringList folders { QVMenuManager::rightMenuIconFolder(), QVMenuManager::appIconFolder(),
                                QVMenuManager::fileTemplateFolder(), QVMenuManager::folderIconFolder(),
                                QVMenuManager::cacheFolder() };
    QVMenuManager::configManagerFolder();
    const QString plist = sharedPlist();
    // A "config.plist" left by an earlier run would otherwise go into the archive.
    QFile::remove(plist);
    const QString zipPath = m_configZipPath;
    const auto finish = [plist, zipPath, complete](bool ok) {
        QFile::remove(plist);
        if (complete) {
            qv::enterForeground([complete, ok, zipPath] { complete(ok ? zipPath : QString()); });
        }
    };
    if (!QFile::copy(QVMenuManager::sharedDefaults().filePath(), plist)) {
        qCWarning(lcConfig).noquote() << QStringLiteral("Failed to copy the configuration. File: \"%1\".").arg(plist);
        finish(false);
        return;
    }
    m_compress = std::make_unique<QVCompress>();
    m_compress->setSavePath(zipPath);
    m_compress->startCompressWithPaths(folders + QStringList { plist }, {}, kConfigPassword,
                                       [finish](const QString&, double progress) {
                                           if (progress >= QVCompress::Progress::Finished) {
                                               finish(true);
                                           } else if (progress < 0) {
                                               finish(false);
                                           }
                                       });
    m_compress.reset();
}

void QVConfigManager::exportConfigToPath(const QString& destination, std::function<void(const QString& path)> complete)
{
    saveConfigToPathWithComplete([destination, complete](const QString& path) {
        // A copy made complete beside the destination and renamed to its first free variant.
        platform::FileOps::Outcome copied;
        const bool ok = !path.isEmpty()
            && platform::FileOps::transferItem(path, destination, false, platform::FileOps::Placement::FreeVariant,
                                               &copied);
        if (complete) {
            complete(ok ? copied.placed : QString());
        }
    });
}

void QVConfigManager::importConfigPath(const QString& path, std::function<void(bool ok)> complete)
{
    const auto answer = [complete](bool ok) {
        if (complete) {
            qv::enterForeground([complete, ok] { complete(ok); });
        }
    };
    if (!SSZipArchive::isPasswordValidForArchiveAtPath(path, kConfigPassword, nullptr)) {
        qv::enterForeground([complete] {
            qv::alertWithMsg(qv::localized(QStringLiteral("Config File Error Tip")));
            if (complete) {
                complete(false);
            }
        });
        return;
    }
    // The stored archive itself: nothing to copy.
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(m_configZipPath).canonicalFilePath()) {
        setupConfigWithComplete(complete);
        return;
    }
    const QString staging = m_configZipPath + QStringLiteral(".importing");
    QFile::remove(staging);
    if (!QFile::copy(path, staging) || !restoreFromArchive(staging)) {
        QFile::remove(staging);
        answer(false);
        return;
    }
    const bool kept
        = std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(m_configZipPath).constData()) == 0;
    if (!kept) {
        QFile::remove(staging);
    }
    answer(true);
}

void QVConfigManager::setupConfigWithComplete(std::function<void(bool ok)> complete)
{
    const bool ok = QFileInfo::exists(m_configZipPath) && restoreFromArchive(m_configZipPath);
    if (complete) {
        qv::enterForeground([complete, ok] { complete(ok); });
    }
}

void QVConfigManager::setupConfigData(const QByteArray& data, std::function<void(bool ok)> complete)
{
    QVMenuManager::configManagerFolder();
    QSaveFile file(m_configZipPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (complete) {
            qv::enterForeground([complete] { complete(false); });
        }
        return;
    }
    setupConfigWithComplete(std::move(complete));
}

bool QVConfigManager::restoreFromArchive(const QString& archive)
{
    const QString shared = QVMenuManager::sharedFolder();
    // A stale "config.plist" must never be taken for the archive's.
    QFile::remove(sharedPlist());
    const QString scratchRoot = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    QDir().mkpath(scratchRoot);
    QTemporaryDir scratch(scratchRoot + QStringLiteral("/restore-XXXXXX"));
    AssetFilter filter;
    SSZipError error;
    if (!scratch.isValid()
        || !SSZipArchive::unzipFileAtPath(archive, scratch.path(), true, true, 0, kConfigPassword, &error, &filter, {},
                                          {})) {
        qCWarning(lcConfig).noquote() << QStringLiteral(
                                             "Failed to restore the configuration. File: \"%1\". Error: \"%2\"")
                                             .arg(archive, error.localizedDescription);
        return false;
    }
    const QString plist = scratch.path() + QLatin1Char('/') + kConfigPlistName;
    const bool hasPlist = QFileInfo(plist).isFile();
    if (hasPlist) {
        applyKeys(plist);
        QFile::remove(plist);
    }
    mergeInto(scratch.path(), shared);
    if (hasPlist) {
        qv::postNotification(qv::kConfigChangeNotification);
    }
    return hasPlist;
}

void QVConfigManager::applyKeys(const QString& plist) const
{
    QFile file(plist);
    QVariantMap stored;
    QString why;
    if (!file.open(QIODevice::ReadOnly) || !platform::Defaults::parse(file.readAll(), &stored, &why)) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Failed to read the configuration. File: \"%1\". Error: \"%2\"").arg(plist, why);
        return;
    }
    QStringList keys = restorableKeys();
    if (m_fromCloud) {
        keys << kTreatType;
    }
    QVMenuManager::sharedDefaults().updateAll([&](QVariantMap& all) {
        for (const QString& key : keys) {
            if (stored.contains(key)) {
                all.insert(key, stored.value(key));
            }
        }
    });
}
