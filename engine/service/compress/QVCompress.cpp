#include "engine/service/compress/QVCompress.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/zip/SSZipArchive.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpandText.h"
#include "platform/Defaults.h"
#include "platform/Panels.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <csignal>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCompress, "tarsel.engine.compress", QtWarningMsg)

namespace {

QString& zipProgram()
{
    static QString program = QStringLiteral("zip");
    return program;
}

QVCompress::AccessoryFactory& accessoryFactory()
{
    static QVCompress::AccessoryFactory factory;
    return factory;
}

/// A name beside the archive that nothing holds: zip would add to an existing file.
QString temporaryPathBeside(const QString& savePath)
{
    const QFileInfo target(savePath);
    for (;;) {
        const QString name = QStringLiteral(".%1.%2.zip")
                                 .arg(target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString path = target.dir().filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            return path;
        }
    }
}

} // namespace

QVCompress::QVCompress() = default;

QVCompress::~QVCompress() = default;

void QVCompress::setZipProgram(const QString& program)
{
    zipProgram() = program.isEmpty() ? QStringLiteral("zip") : program;
}

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
    options.nameFieldValue = name;
    options.allowedFileTypes = { QStringLiteral("zip") };
    options.directory = QFileInfo(paths.first()).path();
    options.level = platform::Panels::ShieldingLevel;
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    std::unique_ptr<QVCompressAccessory> accessory = accessoryFactory() ? accessoryFactory()() : nullptr;
    if (accessory) {
        accessory->setSkipJunkFiles(qv::asBool(shared.value(QVMenuManager::kCompressSkipJunk)));
        options.accessoryView = accessory->view();
    }
    const platform::PanelResult result = platform::Panels::runSavePanel(options);
    if (!result.isOK() || result.paths.isEmpty()) {
        setProgress(Progress::Cancelled, QString());
        return;
    }
    m_savePath = result.paths.first();
    const QString text = accessory ? accessory->password() : QString();
    const bool skip = accessory && accessory->skipJunkFiles();
    shared.setValue(QVMenuManager::kCompressSkipJunk, skip);
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
    _compressWithCmd(paths);
}

QStringList QVCompress::commandArguments(const QStringList& paths, const QString& output) const
{
    QStringList args { QStringLiteral("-r"), QStringLiteral("-%1").arg(kCompressionLevel) };
    if (qv::isValid(m_password)) {
        args << QStringLiteral("-P") << m_password;
    }
    args << output;
    for (const QString& path : paths) {
        args << QStringLiteral("./") + QFileInfo(path).fileName();
    }
    if (!m_excludeFileNames.isEmpty()) {
        // "__MACOSX*" alone matches only a folder at the top: zip matches the whole stored path.
        args << QStringLiteral("-x") << QStringLiteral("*.DS_Store") << QStringLiteral("__MACOSX*")
             << QStringLiteral("*/__MACOSX/*");
    }
    return args;
}

void QVCompress::_compressWithCmd(const QStringList& paths)
{
    if (paths.isEmpty() || m_savePath.isEmpty()) {
        setProgress(Progress::Failed, QString());
        return;
    }
    const QString output = temporaryPathBeside(m_savePath);
    const int status = runTool(commandArguments(paths, output), QFileInfo(paths.first()).path());
    if (m_isCancel) {
        QFile::remove(output);
        setProgress(Progress::Cancelled, QString());
        return;
    }
    // The chosen archive is replaced only by a complete new one (the user said "Replace").
    if (status != 0
        || ::rename(QFile::encodeName(output).constData(), QFile::encodeName(m_savePath).constData()) != 0) {
        qCWarning(lcCompress).noquote() << QStringLiteral("Failed to compress. File: \"%1\". Error: \"%2\"")
                                               .arg(m_savePath,
                                                    status != 0 ? QStringLiteral("zip exit status %1").arg(status)
                                                                : qt_error_string(errno));
        QFile::remove(output);
        setProgress(Progress::Failed, QString());
        return;
    }
    setProgress(Progress::Finished, QString());
}

int QVCompress::runTool(const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setProgram(zipProgram());
    process.setArguments(arguments);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that a cancel reaches everything the tool started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(-1)) {
        return -1;
    }
    m_group = int(process.processId());
    if (m_isCancel) {
        ::kill(-m_group, SIGTERM);
    }
    while (!process.waitForFinished(100)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        readOutput(process.readAll());
    }
    readOutput(process.readAll());
    m_group = 0;
    if (m_isCancel || process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}

void QVCompress::readOutput(const QByteArray& piece)
{
    if (piece.isEmpty()) {
        return;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(piece);
    if (utf8.hasError() || !qv::isValid(text)) {
        setProgress(Progress::Started, QString());
        return;
    }
    const QStringList parts = text.split(QStringLiteral("adding: "));
    if (parts.size() >= 2) {
        setProgress(Progress::Started, parts.last());
    }
}

void QVCompress::stopCompress()
{
    m_isCancel = true;
    if (const int group = m_group; group > 0) {
        ::kill(-group, SIGTERM);
    }
}

void QVCompress::_compressWithSSZip(const QStringList& paths)
{
    SSZipArchive archive(m_savePath);
    qint64 written = 0;
    archive.setCancelCheck([this] { return bool(m_isCancel); });
    archive.setWriteProgress([this](double done) { setProgress(done < 1.0 ? done : 0.99, QString()); });
    bool ok = archive.open();
    for (const QString& path : paths) {
        const QFileInfo top(path);
        QStringList items { path };
        if (top.isDir() && !top.isSymLink()) {
            QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                items << it.next();
            }
        }
        for (const QString& item : items) {
            const QString name = top.dir().relativeFilePath(item);
            const QStringList parts = name.split(QLatin1Char('/'));
            const bool junk = std::any_of(parts.begin(), parts.end(),
                                          [this](const QString& part) { return m_excludeFileNames.contains(part); });
            const QFileInfo info(item);
            // A folder with contents is implied by its entries.
            if (junk || (info.isDir() && !QDir(item).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))) {
                continue;
            }
            ok &= info.isDir() ? archive.writeFolderAtPath(item, name, m_password)
                               : archive.writeFileAtPath(item, name, -1, m_password, true);
            ++written;
        }
    }
    ok = archive.close() && ok;
    // libzip writes to a temporary file of its own and renames it only when the write
    // succeeded: after a cancel or a failure the path still holds what it held before.
    if (m_isCancel) {
        setProgress(Progress::Cancelled, QString());
    } else if (!ok) {
        setProgress(Progress::Failed, QString());
    } else {
        setProgress(written > 0 ? Progress::Finished : Progress::NothingWritten, QString());
    }
}
