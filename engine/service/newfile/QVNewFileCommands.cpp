#include "engine/service/newfile/QVNewFileCommands.h"

#include "engine/model/QVAssetFile.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVFileTransfer.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVFile.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/FileOps.h"
#include "platform/Posix.h"
#include "platform/Trash.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>
#include <QTemporaryFile>
#include <QUuid>

Q_LOGGING_CATEGORY(lcNewFile, "tarsel.engine.newfile", QtWarningMsg)

namespace {

// The extension of an entry's new files. An entry without one takes its key as the extension,
// except a template added from a file: its key is a UUID, and a template file without an
// extension (Makefile, README, .env) makes files without one.
QString extensionOf(const QVMenuItem& item)
{
    if (qv::isValid(item.ext())) {
        return item.ext();
    }
    return QUuid::fromString(item.key()).isNull() ? item.key() : QString();
}

// The name of an entry's new file, without extension. A user template without an extension is
// known by its own name (Makefile stays Makefile), unless a file name of its own was given.
QString newFileName(const QVMenuItem& item, const QString& extension)
{
    const QString untitled = qv::localized(QStringLiteral("Untitled"));
    const bool ownName = qv::isValid(item.fileName()) && item.fileName() != untitled;
    if (extension.isEmpty() && !ownName && qv::isValid(item.displayName())) {
        return item.displayName();
    }
    return qv::isValid(item.fileName()) ? item.fileName() : untitled;
}

using platform::posix::failureMessage;

} // namespace

const QStringList& QVNewFileCommands::blankDocumentTypes()
{
    // Every factory template with a document structure: the office types, the marked-up texts
    // and JSON. The plain text types start empty, which is a valid document of theirs.
    static const QStringList types { QStringLiteral("docx"),    QStringLiteral("dps"),   QStringLiteral("et"),
                                     QStringLiteral("html"),    QStringLiteral("json"),  QStringLiteral("key"),
                                     QStringLiteral("numbers"), QStringLiteral("pages"), QStringLiteral("pptx"),
                                     QStringLiteral("rtf"),     QStringLiteral("wps"),   QStringLiteral("xlsx"),
                                     QStringLiteral("xml") };
    return types;
}

QString QVNewFileCommands::targetFolder()
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return qv::homePath();
    }
    const QString first = paths.first();
    return qv::isFolder(first) ? first : QFileInfo(first).path();
}

QByteArray QVNewFileCommands::contentsFor(const QVMenuItem& /*item*/, const QString& extension)
{
    if (blankDocumentTypes().contains(extension.toLower())) {
        return platform::Bundle::resourceData(QStringLiteral("Untitled"), extension.toLower());
    }
    return QByteArray();
}

QString QVNewFileCommands::writeNewFile(const QString& path, const QByteArray& contents, QString* error,
                                        platform::FileOps::Placement placement, bool trashExisting)
{
    return writeNewFileWith(
        path,
        [&contents](QFile& temp, QString* why) {
            if (temp.write(contents) != contents.size()) {
                *why = temp.errorString();
                return false;
            }
            return true;
        },
        error, placement, trashExisting);
}

QString QVNewFileCommands::writeNewFile(const QString& path, QFile& source, QString* error,
                                        platform::FileOps::Placement placement, bool trashExisting)
{
    return writeNewFileWith(
        path,
        [&source](QFile& temp, QString* why) {
            char buffer[65536];
            for (qint64 n; (n = source.read(buffer, sizeof buffer)) != 0;) {
                if (n < 0) {
                    *why = source.errorString();
                    return false;
                }
                if (temp.write(buffer, n) != n) {
                    *why = temp.errorString();
                    return false;
                }
            }
            return true;
        },
        error, placement, trashExisting);
}

QString QVNewFileCommands::writeNewFileWith(const QString& path, const std::function<bool(QFile&, QString*)>& fill,
                                            QString* error, platform::FileOps::Placement placement, bool trashExisting)
{
    // Written whole under a hidden name beside its place, then renamed in: the file appears
    // complete or not at all. It takes the first free variant of the name, claimed by a rename
    // that never replaces, unless the user chose to replace what is there.
    QTemporaryFile temp(QFileInfo(path).dir().filePath(QStringLiteral(".tarsel-new-XXXXXX")));
    QString why;
    if (!temp.open()) {
        why = temp.errorString();
    } else if (fill(temp, &why) && !temp.flush()) {
        why = temp.errorString();
    }
    if (!why.isEmpty()) {
        *error = failureMessage(QStringLiteral("write the new file"), path, why);
        return QString();
    }
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    temp.close();
    QString reason;
    const QFileInfo existing(path);
    const QString target = trashExisting && (existing.exists() || existing.isSymLink())
        ? trashAndRenameIn(temp.fileName(), path, &reason)
        : placement == platform::FileOps::Placement::Replace
        ? (platform::FileOps::replaceItem(temp.fileName(), path, &reason) ? path : QString())
        : platform::FileOps::renameToFreeVariant(temp.fileName(), path, &reason);
    if (target.isNull()) {
        *error = failureMessage(QStringLiteral("write the new file"), path, reason);
        return QString();
    }
    temp.setAutoRemove(false);
    return target;
}

QString QVNewFileCommands::trashAndRenameIn(const QString& scratch, const QString& path, QString* reason)
{
    // The old item is only moved to the Trash, and only once the new file is complete: when the
    // Trash refuses it, it stays and the new file is not written.
    if (!platform::Trash::trashItem(path, nullptr, reason)) {
        return QString();
    }
    // Something that took the name meanwhile is never replaced: the new file then takes the next
    // free variant.
    return platform::FileOps::renameNoReplace(scratch, path)
        ? path
        : platform::FileOps::renameToFreeVariant(scratch, path, reason);
}

void QVNewFileCommands::reportFailure(const QString& message)
{
    qCWarning(lcNewFile).noquote() << message;
    QVHelper::playSoundType(QVHelper::SoundError);
    qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")));
}

namespace {

// The application a template opens its new files with: the desktop entry the template dialog
// stored (its path), else an entry named by its desktop id or its Name=.
platform::Application applicationOf(const QString& stored)
{
    if (stored.endsWith(QLatin1String(".desktop")) && stored.contains(QLatin1Char('/'))) {
        return platform::Workspace::applicationForId(QFileInfo(stored).fileName());
    }
    const platform::Application byId = platform::Workspace::applicationForId(stored);
    return byId.isValid() ? byId : platform::Workspace::applicationForName(stored);
}

} // namespace

void QVNewFileCommands::writeFile(const QString& path, const QString& extension, const QVMenuItem& item,
                                  platform::FileOps::Placement placement, bool trashExisting)
{
    // This desktop keeps no hidden-extension attribute: "new file hide extension" has nothing to
    // set here.
    QString error;
    QString written;
    if (qv::isValid(item.templatePath())) {
        // The template's path comes from configuration: it is refused, with its name, unless it
        // is a regular file of the templates folder, and then streamed (it may be large).
        qint64 size = 0;
        const int fd = QVAssetFile::open(item.templatePath(), QVAssetFile::Kind::Template, &size, &error);
        if (fd < 0) {
            qCWarning(lcNewFile).noquote() << error;
            QVHelper::playSoundType(QVHelper::SoundError);
            qv::alertWithMsg(error);
            return;
        }
        QFile source;
        source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        written = writeNewFile(path, source, &error, placement, trashExisting);
    } else {
        written = writeNewFile(path, contentsFor(item, extension), &error, placement, trashExisting);
    }
    if (written.isNull()) {
        reportFailure(error);
        return;
    }
    if (QVMenuManager::sharedDefaults().boolValue(QVMenuManager::kOpenNewFile)) {
        const platform::Application app = applicationOf(item.openFileAppName());
        const bool opened = app.isValid() ? platform::Workspace::openFiles({ written }, app, &error)
                                          : platform::Workspace::openFile(written);
        if (!opened) {
            qCWarning(lcNewFile).noquote() << failureMessage(QStringLiteral("open the new file"), written, error);
        }
    }
    QVHelper::playSoundType(QVHelper::SoundNew);
}

void QVNewFileCommands::createFileWithItem(const QVMenuItemPtr& item)
{
    if (!item) {
        return;
    }
    const QString folder = targetFolder();
    const bool validFolder = qv::isFolder(folder);
    if (item->isAddToFileTemplate() && validFolder) {
        addToFileTemplate();
        return;
    }
    if (item->isNewFileFromWindow() || !validFolder) {
        createFromWindow(item, folder);
        return;
    }
    const QString extension = extensionOf(*item);
    QString path = QDir(folder).filePath(newFileName(*item, extension));
    if (!item->isSpecialFile() && !extension.isEmpty()) {
        path += QLatin1Char('.') + extension;
    }
    QVFileTransfer::replaceFileAlert(path, QString(),
                                     [&](const QString& target, platform::FileOps::Placement placement) {
                                         writeFile(target, extension, *item, placement);
                                     });
}

void QVNewFileCommands::createFromWindow(const QVMenuItemPtr& item, const QString& folder)
{
    QVCheckPermit::activePanelForOSX15();
    const QVMenuItemList templates = QVMenuManager::newFileTemplateMenuArray(true);
    QVNameDialogs::NewFilePanel panel;
    panel.directory = qv::isFolder(folder) ? folder : qv::homePath();
    panel.fileName = qv::isValid(item->fileName()) ? item->fileName() : qv::localized(QStringLiteral("Untitled"));
    panel.currentKey = item->key();
    panel.hideIcons = QVMenuManager::isPrefCheckOn(QVSwitch::NoSubmenuIcons);
    for (const QVMenuItemPtr& t : templates) {
        panel.templates.append({ t->key(), t->fileType(), extensionOf(*t), QIcon(QPixmap::fromImage(t->menuIcon())),
                                 !t->isSpecialFile() && !t->isNewFileFromWindow() });
    }
    QVNameDialogs::openNewFilePanel(panel, [this, templates, item](const QString& path, int index) {
        const QVMenuItemPtr chosen = index >= 0 && index < templates.size() ? templates.at(index) : item;
        // The save panel has asked about an item already there: Yes means replace it, which
        // sends it to the Trash rather than deleting it.
        writeFile(path, extensionOf(*chosen), *chosen, platform::FileOps::Placement::FreeVariant, true);
    });
}

void QVNewFileCommands::addToFileTemplate()
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    const QString uuid = qv::uuid();
    const QVFile source(paths.first());
    const QString folder = QVMenuManager::fileTemplateFolder();
    const QString iconPath = QDir(folder).filePath(uuid + QStringLiteral(".png"));
    const QString templatePath = QDir(folder).filePath(uuid);

    const QSize size(QVFile::kIconSize, QVFile::kIconSize);
    const QImage icon = qv::imageWithSize(source.icon().pixmap(size).toImage(), size);
    if (icon.isNull() || !qv::saveImageType(icon, platform::ImageIO::Format::Png, iconPath)) {
        reportFailure(
            failureMessage(QStringLiteral("save the template's icon"), iconPath, QStringLiteral("not written")));
        return;
    }
    QString error;
    if (!platform::FileOps::copyItem(source.path(), templatePath, &error)) {
        QFile::remove(iconPath);
        reportFailure(failureMessage(QStringLiteral("copy the template"), source.path(), error));
        return;
    }
    const QVariantMap entry { { QStringLiteral("key"), uuid },
                              { QStringLiteral("ext"), source.ext() },
                              { QStringLiteral("displayName"), source.name() },
                              { QStringLiteral("iconPath"), iconPath },
                              { QStringLiteral("templatePath"), templatePath } };
    if (!QVMenuManager::addMenuKey(QVMenuManager::kArrayNewFile, entry, -1)) {
        QFile::remove(iconPath);
        QFile::remove(templatePath);
        reportFailure(
            failureMessage(QStringLiteral("store the template"), source.path(), QStringLiteral("not written")));
        return;
    }
    QVHelper::playSoundType(QVHelper::SoundOk);
    if (const QVProgressHooks& progress = m_context.progressHooks(); progress.showSuccess) {
        progress.showSuccess(qv::localized(QStringLiteral("Success Common Tip")));
    }
}
