#include "engine/service/commonpath/QVCommonPathCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/openwith/QVOpenWithCommands.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpand.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCommonPath, "tarsel.engine.commonpath", QtWarningMsg)

namespace {

// The last path component, also for a path given with a trailing slash.
QString lastComponent(const QString& path)
{
    return QFileInfo(QDir::cleanPath(path)).fileName();
}

QVariantMap commonPathEntry(const QString& folder)
{
    return {
        { QStringLiteral("key"), qv::uuid() },
        { QStringLiteral("disabled"), false },
        { QStringLiteral("path"), folder },
        { QStringLiteral("displayName"), lastComponent(folder) },
    };
}

// The chooser's prompt for the command that asks for a folder.
QString choosePrompt(const QVMenuItem& top)
{
    if (top.isMove()) {
        return qv::localized(QStringLiteral("Move"));
    }
    if (top.isCopy()) {
        return qv::localized(QStringLiteral("Copy"));
    }
    if (top.isSymlinkTo()) {
        return qv::localized(QStringLiteral("Create"));
    }
    return QStringLiteral("");
}

} // namespace

void QVCommonPathCommands::openCommonPath(const QString& path, const QVMenuItemPtr& withItem)
{
    if (!qv::isExist(path)) {
        QVHelper::playSoundType(QVHelper::SoundError);
        qv::alertWithMsg(qv::localized(QStringLiteral("Common Path Not Exist Tip")));
        return;
    }
    m_context.checkFolderAccess(
        path,
        [this, path, withItem] {
            if (withItem && qv::isValid(withItem->serve())) {
                m_openWith.openServe(withItem->serve(), path);
                return;
            }
            if (withItem && qv::isValid(withItem->appName())) {
                m_openWith.openWithApp(withItem, path);
                return;
            }
            // A listed entry opens itself; the markers ("Show in Finder", "More Files",
            // "To Authorize") open the common folder.
            const QString open = withItem && qv::isValid(withItem->path()) ? withItem->path() : path;
            if (!platform::Workspace::openFile(open)) {
                qCWarning(lcCommonPath).noquote() << QStringLiteral("Failed to open. File: \"%1\"").arg(open);
                QVCheckPermit::accessPrivacy();
            }
        },
        [] { QVHelper::playSoundType(QVHelper::SoundError); });
}

void QVCommonPathCommands::addToCommonPath(QVPendingWork::Hold pending)
{
    const QStringList paths = m_context.selectPaths();
    qv::enterBackground([this, paths, pending] {
        bool written = true;
        for (const QString& path : paths) {
            if (qv::isFolder(path)) {
                written
                    = QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath, commonPathEntry(path), -1) && written;
            }
        }
        qv::enterForeground([this, written, pending] {
            if (written) {
                QVHelper::playSoundType(QVHelper::SoundDing);
                if (const QVProgressHooks& progress = m_context.progressHooks(); progress.showSuccess) {
                    progress.showSuccess(qv::localized(QStringLiteral("Success Common Tip")));
                }
            } else {
                // The shared configuration could not be written: the folders are not listed.
                QVHelper::playSoundType(QVHelper::SoundError);
                qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")));
            }
        });
    });
}

QString QVCommonPathCommands::chooseFolder(const QVMenuItemPtr& top, const QVMenuItemPtr& item1,
                                           const QVMenuItemPtr& item2, const QVMenuItemPtr& item3)
{
    if (!top || !item1) {
        return QString();
    }
    const QVMenuItemPtr target = item3 ? item3 : (item2 ? item2 : item1);
    const QVMenuItemPtr parent = item3 ? item2 : item1;
    const bool otherFolder = target->key() == QLatin1String("Other Folder");
    QString folder = target->path();
    if (!qv::isValid(folder)) {
        // The markers carry no path: "Other Folder" starts the chooser in its common folder, and
        // the others ("Current Directory", "Select Folder", "To Authorize") stand for it.
        folder = parent ? parent->path() : QString();
    }
    // A folder that is no longer there is chosen anew rather than written into; a common path
    // may be a link to its folder.
    const bool isThere = qv::isValid(folder) && QFileInfo(folder).isDir();
    if (otherFolder || !isThere) {
        const QString start = isThere ? folder : QString();
        folder = QVCheckPermit::selectFolderWithPrompt(choosePrompt(*top), start);
        if (!qv::isValid(folder)) {
            return QString();
        }
    }
    return folder;
}
