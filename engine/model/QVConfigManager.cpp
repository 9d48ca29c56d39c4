#include "engine/model/QVConfigManager.h"

#include "engine/model/QVMenuManager.h"
#include "engine/archive/QVCompress.h"
#include "engine/archive/SSZipArchive.h"
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcConfig, "tarsel.engine.config", QtWarningMsg)

namespace {

QString sharedPlist()
{
    return QVMenuManager::sharedFolder() + QLatin1Char('/') + QVConfigManager::kConfigPlistName;
}

QString importFailure(const QString& file, const QString& why)
{
    return QStringLiteral("Failed to import the configuration. File: \"%1\". Error: \"%2\"").arg(file, why);
}

/// Moves every regular file of the scratch folder to the same place in the shared folder,
/// replacing a file of that name; other files there stay. Only regular files move: nothing an
/// archive brought as a link (or anything else) ever reaches the shared folder.
bool mergeInto(const QString& scratch, const QString& shared, QString* error)
{
    QDirIterator it(scratch, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QFileInfo info(from);
        if (info.isSymLink() || !info.isFile()) {
            continue;
        }
        const QString to = shared + QLatin1Char('/') + QDir(scratch).relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).path());
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
            QFile::remove(to);
            if (!QFile::copy(from, to)) {
                *error = QStringLiteral("Failed to restore a file. File: \"%1\". Error: \"%2\"")
                             .arg(to, qt_error_string(errno));
                return false;
            }
        }
    }
    return true;
}

/// Copies the chosen file to the staging path when it is a regular file of a sane size: the
/// user's choice may be anything (a FIFO would block a plain copy, a device never ends).
bool copyChosenFile(const QString& from, const QString& to, quint64 maxSize, QString* error)
{
    QFile::remove(to);
    const int fd = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = qt_error_string(errno);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || quint64(st.st_size) > maxSize) {
        ::close(fd);
        *error = QStringLiteral("not a regular file of at most %1 bytes").arg(maxSize);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile source;
    QFile target(to);
    source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = target.errorString();
        return false;
    }
    char buffer[65536];
    quint64 copied = 0;
    for (qint64 n; (n = source.read(buffer, sizeof buffer)) != 0;) {
        copied += quint64(qMax<qint64>(n, 0));
        if (n < 0 || copied > maxSize || target.write(buffer, n) != n) {
            *error = n < 0 ? source.errorString() : target.errorString();
            target.remove();
            return false;
        }
    }
    return true;
}

/// Tells the user, in one message, which icons and templates of a restored configuration are
/// missing: their entries show no icon or make no file until new ones are chosen.
void reportMissing(const QStringList& missing)
{
    if (missing.isEmpty()) {
        return;
    }
    qCWarning(lcConfig).noquote()
        << QStringLiteral("The restored configuration names missing files: %1").arg(missing.join(QStringLiteral(", ")));
    qv::alertWithMsg(qv::localized(QStringLiteral("Config Missing Files Tip")) + QStringLiteral("\n\n")
                     + missing.join(QLatin1Char('\n')));
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
    return QVConfigArchive::assetFolders();
}

QStringList QVConfigManager::missingAssetPaths(const QVariantMap& values)
{
    QStringList missing;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!it.key().startsWith(QLatin1String("array ")) || it.value().typeId() != QMetaType::QVariantList) {
            continue;
        }
        for (const QVariant& entry : it.value().toList()) {
            const QVariantMap map = entry.toMap();
            for (const char* field : { "iconPath", "templatePath" }) {
                const QString path = map.value(QString::fromLatin1(field)).toString();
                if (!path.isEmpty() && !QFileInfo(path).isFile() && !missing.contains(path)) {
                    missing << path;
                }
            }
        }
    }
    return missing;
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
    const auto refuse = [complete](const QString& message) {
        qCWarning(lcConfig).noquote() << message;
        qv::enterForeground([complete, message] {
            qv::alertWithMsg(message);
            if (complete) {
                complete(false);
            }
        });
    };
    // Everything below reads the staged copy, never the chosen path again.
    QVMenuManager::configManagerFolder();
    const QString staging = m_configZipPath + QStringLiteral(".importing");
    QString why;
    if (!copyChosenFile(path, staging, m_limits.maxTotalSize, &why)) {
        refuse(importFailure(path, why));
        return;
    }
    if (!SSZipArchive::isPasswordValidForArchiveAtPath(staging, kConfigPassword, nullptr)) {
        QFile::remove(staging);
        qv::enterForeground([complete] {
            qv::alertWithMsg(qv::localized(QStringLiteral("Config File Error Tip")));
            if (complete) {
                complete(false);
            }
        });
        return;
    }
    QStringList missing;
    if (!restoreFromArchive(staging, &why, &missing)) {
        QFile::remove(staging);
        refuse(importFailure(path, why));
        return;
    }
    // The stored archive is replaced only by one that restored.
    if (std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(m_configZipPath).constData()) != 0) {
        qCWarning(lcConfig).noquote() << QStringLiteral(
                                             "Failed to keep the imported archive. File: \"%1\". Error: \"%2\"")
                                             .arg(m_configZipPath, qt_error_string(errno));
        QFile::remove(staging);
    }
    qv::enterForeground([complete, missing] {
        reportMissing(missing);
        if (complete) {
            complete(true);
        }
    });
}

void QVConfigManager::setupConfigWithComplete(std::function<void(bool ok)> complete)
{
    QString why = QStringLiteral("no stored archive");
    QStringList missing;
    const bool ok = QFileInfo(m_configZipPath).isFile() && restoreFromArchive(m_configZipPath, &why, &missing);
    if (!ok) {
        qCWarning(lcConfig).noquote() << QStringLiteral(
                                             "Failed to restore the configuration. File: \"%1\". Error: \"%2\"")
                                             .arg(m_configZipPath, why);
    }
    qv::enterForeground([complete, ok, missing] {
        reportMissing(missing);
        if (complete) {
            complete(ok);
        }
    });
}

void QVConfigManager::setupConfigData(const QByteArray& data, std::function<void(bool ok)> complete)
{
    QStringList missing;
    const auto answer = [complete, &missing](bool ok) {
        qv::enterForeground([complete, ok, missing] {
            reportMissing(missing);
            if (complete) {
                complete(ok);
            }
        });
    };
    // Restored from a staged copy: the stored archive stays unless the new one restored.
    QVMenuManager::configManagerFolder();
    const QString staging = m_configZipPath + QStringLiteral(".importing");
    QSaveFile file(staging);
    QString why;
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        answer(false);
        return;
    }
    const bool ok = restoreFromArchive(staging, &why, &missing)
        && std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(m_configZipPath).constData()) == 0;
    if (!ok) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Failed to restore the configuration. File: \"%1\". Error: \"%2\"").arg(staging, why);
        QFile::remove(staging);
    }
    answer(ok);
}

namespace {

// A cut waiting for Paste belongs to the session that made it: paths queued in an archive (from
// another account or machine, or planted) must never be moved by the next Paste here.
void dropQueuedCuts(QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.value().typeId() != QMetaType::QVariantList) {
            continue;
        }
        QVariantList list = it.value().toList();
        bool changed = false;
        for (QVariant& entry : list) {
            if (entry.typeId() == QMetaType::QVariantMap && entry.toMap().contains(QStringLiteral("cutPaths"))) {
                QVariantMap map = entry.toMap();
                map.remove(QStringLiteral("cutPaths"));
                entry = map;
                changed = true;
            }
        }
        if (changed) {
            it.value() = list;
        }
    }
}

} // namespace

bool QVConfigManager::restoreFromArchive(const QString& archive, QString* error, QStringList* missing)
{
    missing->clear();
    const QString shared = QVMenuManager::sharedFolder();
    // A stale "config.plist" must never be taken for the archive's.
    QFile::remove(sharedPlist());
    // The scratch folder lives in the private application-support folder: nothing of the
    // archive is in the shared folder before all of it was checked.
    const QString scratchRoot = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    QDir().mkpath(scratchRoot);
    QTemporaryDir scratch(scratchRoot + QStringLiteral("/restore-XXXXXX"));
    if (!scratch.isValid()) {
        *error = scratch.errorString();
        return false;
    }
    QStringList keys = restorableKeys();
    if (m_fromCloud) {
        keys << kTreatType;
    }
    const QString plist = scratch.path() + QLatin1Char('/') + kConfigPlistName;
    QVariantMap values;
    if (!QVConfigArchive::unpack(archive, scratch.path(), kConfigPassword, m_limits, error)
        || !QVConfigArchive::readConfiguration(plist, keys, shared, &values, error)) {
        return false;
    }
    dropQueuedCuts(values);
    QFile::remove(plist);
    if (!mergeInto(scratch.path(), shared, error)) {
        return false;
    }
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    const bool written = defaults.updateAll([&values](QVariantMap& all) {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            all.insert(it.key(), it.value());
        }
    });
    if (!written) {
        *error = defaults.lastError();
        return false;
    }
    // Paths into the exporter's shared folder name this one now; what still names no file (an
    // icon or template the archive did not carry) is told, not left to fail silently later.
    *missing = missingAssetPaths(values);
    qv::postNotification(qv::kConfigChangeNotification);
    return true;
}
