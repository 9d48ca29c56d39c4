#include "engine/archive/QVCompress.h"

#include "engine/archive/SSZipArchive.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpandText.h"
#include "platform/Defaults.h"
#include "platform/FileOps.h"
#include "platform/Panels.h"
#include "platform/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCompress, "tarsel.engine.compress", QtWarningMsg)

namespace {

QVCompress::AccessoryFactory& accessoryFactory()
{
    static QVCompress::AccessoryFactory factory;
    return factory;
}

/// Claims a hidden name beside the archive (created empty with O_EXCL, so nobody else's file is
/// ever written to); the archive is written there and renamed into place when complete. Null
/// (errno set) when none can be created.
QString claimScratchBeside(const QString& savePath)
{
    const QFileInfo target(savePath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2.zip")
                                 .arg(target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString path = target.dir().filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return QString();
        }
    }
    return QString();
}

/// The path as it is on disk (links resolved); for a path that does not exist yet, its
/// folder's real path joined with its name.
QString realPathOf(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists()) {
        return info.canonicalFilePath();
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(info.fileName());
}

} // namespace

QString QVCompress::archivedFolderHolding(const QString& archive, const QStringList& paths)
{
    const QString place = realPathOf(archive);
    for (const QString& path : paths) {
        const QFileInfo item(path);
        const QString folder = item.isDir() ? item.canonicalFilePath() : QString();
        if (!folder.isEmpty() && !place.isEmpty()
            && place.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'))) {
            return path;
        }
    }
    return QString();
}

QVCompress::QVCompress() = default;

QVCompress::~QVCompress() = default;

void QVCompress::setAccessoryFactory(AccessoryFactory factory)
{
    accessoryFactory() = std::move(factory);
}

void QVCompress::setProgress(double progress, const QString& path)
{
    if (!m_progressHandler) {
        return;
    }
    ProgressHandler handler = m_progressHandler;
    qv::enterForeground([handler, progress, path] { handler(path, progress); });
}

void QVCompress::compressPaths(const QStringList& paths, ProgressHandler progressHandler)
{
    if (paths.isEmpty()) {
        return;
    }
    m_progressHandler = std::move(progressHandler);
    const QString name
        = paths.size() == 1 ? QVFile::fileWithPath(paths.first())->name() : qv::localized(QStringLiteral("Archiver"));
    QVCheckPermit::activePanelForOSX15();
    platform::PanelOptions options;
    // The name with its extension, as the panel shows it: a bare "src" beside the folder "src"
    // would select that folder, and the archive would land inside what it archives.
    options.nameFieldValue = name + QStringLiteral(".zip");
    options.allowedFileTypes = { QStringLiteral("zip") };
    options.directory = QFileInfo(paths.first()).path();
    options.level = platform::Panels::ShieldingLevel;
    // The shared suite, as the menu model names it: this writer sits below the model.
    platform::Defaults& shared = platform::Defaults::suite(platform::System::kGroupId);
    std::unique_ptr<QVCompressAccessory> accessory = accessoryFactory() ? accessoryFactory()() : nullptr;
    if (accessory) {
        accessory->setSkipJunkFiles(qv::asBool(shared.value(kCompressSkipJunk)));
        options.accessoryView = accessory->view();
    }
    const platform::PanelResult result = platform::Panels::runSavePanel(options);
    if (!result.isOK() || result.paths.isEmpty()) {
        setProgress(Progress::Cancelled, QString());
        return;
    }
    m_savePath = result.paths.first();
    if (const QString folder = archivedFolderHolding(m_savePath, paths); !folder.isEmpty()) {
        qv::alertWithMsg(qv::stringWithFormat(qv::localized(QStringLiteral("Archive Inside Selection Tip")),
                                              QFileInfo(folder).fileName()));
        setProgress(Progress::Cancelled, QString());
        return;
    }
    const QString text = accessory ? accessory->password() : QString();
    const bool skip = accessory && accessory->skipJunkFiles();
    shared.setValue(kCompressSkipJunk, skip);
    // The password lives in this object for one run only; it is never stored.
    qv::enterBackground([this, paths, skip, text, handler = m_progressHandler] {
        const QStringList exclude
            = skip ? QStringList { QStringLiteral(".DS_Store"), QStringLiteral("__MACOSX") } : QStringList();
        startCompressWithPaths(paths, exclude, qv::isValid(text) ? text : QString(), handler);
    });
}

void QVCompress::startCompressWithPaths(const QStringList& paths, const QStringList& excludeFileNames,
                                        const QString& withPassword, ProgressHandler progressHandler)
{
    m_excludeFileNames = excludeFileNames;
    m_password = withPassword;
    m_progressHandler = std::move(progressHandler);
    setProgress(Progress::Started, QString());
    _compressWithSSZip(paths);
}

void QVCompress::stopCompress()
{
    m_isCancel = true;
}

bool QVCompress::addItem(SSZipArchive& archive, const QString& path, const QString& name,
                         QList<QPair<dev_t, ino_t>>& walking, qint64& written)
{
    if (m_isCancel) {
        return false;
    }
    if (m_excludeFileNames.contains(QFileInfo(name).fileName())) {
        return true;
    }
    struct stat st;
    // Links are followed, as zip follows them without -y; what no longer leads anywhere is left out.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        qCInfo(lcCompress).noquote()
            << QStringLiteral("Left out. File: \"%1\". Error: \"%2\"").arg(path, qt_error_string(errno));
        return true;
    }
    if (S_ISREG(st.st_mode)) {
        ++written;
        // A blank password means no encryption, as it meant no "-P" for zip.
        return archive.writeFileAtPath(path, name, kCompressionLevel, qv::isValid(m_password) ? m_password : QString(),
                                       true);
    }
    if (!S_ISDIR(st.st_mode)) {
        return true;
    }
    const QPair<dev_t, ino_t> self { st.st_dev, st.st_ino };
    if (walking.contains(self)) {
        qCInfo(lcCompress).noquote()
            << QStringLiteral("Left out a link back into its own folder. File: \"%1\"").arg(path);
        return true;
    }
    // Folders carry no content: their entries are never encrypted.
    bool ok = archive.writeFolderAtPath(path, name, QString());
    ++written;
    walking.append(self);
    const QStringList children
        = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& child : children) {
        ok = addItem(archive, path + QLatin1Char('/') + child, name + QLatin1Char('/') + child, walking, written) && ok;
    }
    walking.removeLast();
    return ok;
}

bool QVCompress::moveIntoPlace(const QString& scratch, bool replace, QString* error) const
{
    if (!replace) {
        return platform::FileOps::renameNoReplace(scratch, m_savePath, error);
    }
    if (::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(m_savePath).constData()) != 0) {
        *error = qt_error_string(errno);
        return false;
    }
    return true;
}

void QVCompress::_compressWithSSZip(const QStringList& paths)
{
    // An archive already at the place was chosen to be replaced; a free place stays claimed only
    // by this run's complete archive.
    const bool replace = QFileInfo(m_savePath).isFile();
    const QString inside = archivedFolderHolding(m_savePath, paths);
    const QString scratch
        = paths.isEmpty() || m_savePath.isEmpty() || !inside.isEmpty() ? QString() : claimScratchBeside(m_savePath);
    QString error = !inside.isEmpty()
        ? QStringLiteral("the archive would lie inside \"%1\", which it archives").arg(inside)
        : scratch.isEmpty() ? qt_error_string(errno)
                            : QString();
    bool cancelled = false;
    bool ok = !scratch.isEmpty();
    if (ok) {
        SSZipArchive archive(scratch);
        archive.setCancelCheck([this] { return bool(m_isCancel); });
        archive.setEntryStarted([this](const QString& name) { setProgress(Progress::Started, name); });
        ok = archive.open();
        qint64 written = 0;
        QList<QPair<dev_t, ino_t>> walking;
        // Each item under its own name, as zip took them from the first item's folder.
        for (const QString& path : paths) {
            const QString clean = QDir::cleanPath(path);
            ok = addItem(archive, clean, QFileInfo(clean).fileName(), walking, written) && ok;
        }
        ok = archive.close() && ok;
        cancelled = m_isCancel;
        // Nothing to archive is a failure, as it was for zip ("Nothing to do!").
        error = !ok        ? QStringLiteral("an item could not be read or the archive could not be written")
            : written == 0 ? QStringLiteral("nothing to archive")
                           : QString();
        // A cancel that comes after the archive is in place is too late to undo it.
        ok = error.isEmpty() && !cancelled && moveIntoPlace(scratch, replace, &error);
        if (!ok) {
            QFile::remove(scratch);
        }
    }
    if (cancelled) {
        setProgress(Progress::Cancelled, QString());
    } else if (!ok) {
        qCWarning(lcCompress).noquote()
            << QStringLiteral("Failed to compress. File: \"%1\". Error: \"%2\"").arg(m_savePath, error);
        setProgress(Progress::Failed, QString());
    } else {
        setProgress(Progress::Finished, QString());
    }
}
