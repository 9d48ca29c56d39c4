#include "engine/service/scripts/QVScriptCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/commonpath/QVCommonPathCommands.h"
#include "engine/service/scripts/QVScriptPlaceholders.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/DateExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVScriptResult.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QByteArray pathBytes(const QUrl& url)
{
    // The fully encoded form keeps bytes that are not UTF-8 as escapes, so decoding it answers
    // the exact bytes of the name.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

void closeToolWindows(QVCommandContext& context)
{
    if (const QVProgressHooks& progress = context.progressHooks(); progress.clean) {
        progress.clean();
    }
}

} // namespace

qint64 QVScriptCommands::dayCount()
{
    const QDateTime now = qv::now();
    QString first;
    QVMenuManager::sharedDefaults().update(QVMenuManager::kFirstStartDate, [&](const QVariant& stored) {
        first = stored.toString();
        if (!qv::dateFromFormat(first, kDateFormat).isValid()) {
            first = qv::stringWithDateFormat(now, kDateFormat);
        }
        return QVariant(first);
    });
    return std::max<qint64>(0, qv::dayToDate(qv::dateFromFormat(first, kDateFormat), now));
}

QList<QByteArray> QVScriptCommands::selectedPathBytes()
{
    QList<QByteArray> paths;
    for (const QUrl& url : m_context.selectURLs()) {
        paths << pathBytes(url);
    }
    return paths;
}

QString QVScriptCommands::resultFolder()
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return qv::desktopPath();
    }
    const QString first = paths.first();
    return QFileInfo(first).isDir() ? first : QFileInfo(first).path();
}

bool QVScriptCommands::executeScriptWithItem(const QVMenuItemPtr& top, const QVMenuItemPtr& child,
                                             const QVMenuItemPtr& grandchild, const QVMenuItemPtr& greatGrandchild,
                                             const QVPendingWork::Hold& pending)
{
    const QVMenuItemPtr script = QVScriptPlaceholders::usesCommonPath(top->script()) ? top : child;
    if (!script || !QVScriptPlaceholders::usesCommonPath(script->script())) {
        if (script) {
            executeScript(script, QString(), pending);
        }
        return bool(script);
    }
    const QString folder = m_commonPaths.chooseFolder(top, child, grandchild, greatGrandchild);
    if (!qv::isValid(folder)) {
        return false;
    }
    executeScript(script, folder, pending);
    return true;
}

void QVScriptCommands::executeScript(const QVMenuItemPtr& item, const QString& commonPath,
                                     const QVPendingWork::Hold& pending)
{
    if (!item) {
        return;
    }
    const QVScriptPlaceholders::Expansion expansion
        = QVScriptPlaceholders::expand(item->script(), selectedPathBytes(), dayCount(), commonPath);
    const bool isShell = item->ext() == QLatin1String("sh");
    const QString title = item->menuTitle();
    if (!expansion.refusal.isEmpty()) {
        // A placeholder where no file name can be written safely: nothing of the script runs.
        QVHelper::playSoundType(QVHelper::SoundError);
        qv::alertWithMsg(
            QStringLiteral("Failed to run the script. Script: \"%1\". Error: \"%2\"").arg(title, expansion.refusal));
        return;
    }
    const QString folder = resultFolder();
    m_context.checkFolderAccess(
        QStringLiteral("/"),
        [this, expansion, isShell, title, folder, pending] {
            if (expansion.showsProgress) {
                if (const QVProgressHooks& progress = m_context.progressHooks(); progress.open) {
                    progress.open();
                }
            }
            for (const QString& run : expansion.runs) {
                if (isShell) {
                    runShell(title, run, folder, pending);
                } else {
                    runAppleScript(title, run, pending);
                }
            }
        },
        [] {});
}

void QVScriptCommands::runShell(const QString& title, const QString& script, const QString& folder,
                                const QVPendingWork::Hold& pending)
{
    qv::enterBackground([this, title, script, folder, pending] {
        qv::executeWithBlock(script, [this, title, script, folder, pending](bool success, const QString& output) {
            qv::enterForeground([this, title, script, folder, success, output, pending] {
                closeToolWindows(m_context);
                QVHelper::playSoundType(success ? QVHelper::SoundDing : QVHelper::SoundError);
                if (!success) {
                    QVScriptResult::show({ title, script, false, script, folder });
                } else if (qv::isValid(output)) {
                    QVScriptResult::show({ title, output, true, script, folder });
                }
            });
        });
    });
}

void QVScriptCommands::runAppleScript(const QString& title, const QString& script, const QVPendingWork::Hold& pending)
{
    qv::enterBackground([this, title, script, pending] {
        const QString error = qv::executeAppleScriptSource(script);
        qv::enterForeground([this, title, script, error, pending] {
            closeToolWindows(m_context);
            if (error.isNull()) {
                QVHelper::playSoundType(QVHelper::SoundDing);
            } else {
                // The stand-in's error text goes through the script's error path: the result
                // window with the script as its command and no folder.
                QVHelper::playSoundType(QVHelper::SoundError);
                QVScriptResult::show({ title, error, false, script, QString() });
            }
        });
    });
}

void QVScriptCommands::executeSelectedScripts(const QVPendingWork::Hold& pending)
{
    for (const QString& path : m_context.selectPaths()) {
        const QString ext = QFileInfo(path).suffix().toLower();
        if (ext != QLatin1String("sh") && ext != QLatin1String("scpt")) {
            continue;
        }
        qv::enterBackground([path, ext, pending] {
            bool success = false;
            QString message;
            if (ext == QLatin1String("sh")) {
                qv::executeShellFileWithBlock(path, [&](bool ok, const QString& output) {
                    success = ok;
                    message = ok ? output : qv::localized(QStringLiteral("Error Execute Tip"));
                });
            } else {
                message = qv::executeAppleScriptPath(path);
                success = message.isNull();
            }
            qv::enterForeground([success, message, pending] {
                QVHelper::playSoundType(success ? QVHelper::SoundDing : QVHelper::SoundError);
                if (!success || qv::isValid(message)) {
                    qv::alertWithMsg(message);
                }
            });
        });
    }
}
