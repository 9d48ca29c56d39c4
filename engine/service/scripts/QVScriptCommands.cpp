#include "engine/service/scripts/QVScriptCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/QVPendingWork.h"
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
                                             const QVMenuItemPtr& grandchild, const QVMenuItemPtr& greatGrandchild)
{
    const QVMenuItemPtr script = QVScriptPlaceholders::usesCommonPath(top->script()) ? top : child;
    if (!script || !QVScriptPlaceholders::usesCommonPath(script->script())) {
        if (script) {
            executeScript(script);
        }
        return bool(script);
    }
    const QString folder = m_commonPaths.toCommonPathWithItem(top, child, grandchild, greatGrandchild);
    if (!qv::isValid(folder)) {
        return false;
    }
    executeScript(script, folder);
    return true;
}

void QVScriptCommands::executeScript(const QVMenuItemPtr& item, const QString& commonPath)
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
        [this, expansion, isShell, title, folder] {
            if (expansion.showsProgress) {
                if (const QVProgressHooks& progress = m_context.progressHooks(); progress.open) {
                    progress.open();
                }
            }
            for (const QString& run : expansion.runs) {
                if (isShell) {
                    runShell(title, run, folder);
                } else {
                    runAppleScript(title, run);
                }
            }
        },
        [] {});
}

void QVScriptCommands::runShell(const QString& title, const QString& script, const QString& folder)
{
    QVPendingWork::begin();
    qv::enterBackground([this, title, script, folder] {
        qv::executeWithBlock(script, [this, title, script, folder](bool success, const QString& output) {
            qv::enterForeground([this, title, script, folder, success, output] {
                closeToolWindows(m_context);
                QVHelper::playSoundType(success ? QVHelper::SoundDing : QVHelper::SoundError);
                if (!success) {
                    QVScriptResult::show({ title, script, false, script, folder });
                } else if (qv::isValid(output)) {
                    QVScriptResult::show({ title, output, true, script, folder });
                }
                QVPendingWork::end();
            });
        });
    });
}

void QVScriptCommands::runAppleScript(const QString& title, const QString& script)
{
    QVPendingWork::begin();
    qv::enterBackground([this, title, script] {
        const QString error = qv::executeAppleScriptSource(script);
        qv::enterForeground([this, title, script, error] {
            closeToolWindows(m_context);
            if (error.isNull()) {
                QVHelper::playSoundType(QVHelper::SoundDing);
            } else {
                // The stand-in's error text goes through the script's error path: the result
                // window with the script as its command and no folder.
                QVHelper::playSoundType(QVHelper::SoundError);
                QVScriptResult::show({ title, error, false, script, QString() });
            }
            QVPendingWork::end();
        });
    });
}

void QVScriptCommands::executeScript()
{
    for (const QString& path : m_context.selectPaths()) {
        const QString ext = QFileInfo(path).suffix().toLower();
        if (ext != QLatin1String("sh") && ext != QLatin1String("scpt")) {
            continue;
        }
        QVPendingWork::begin();
        qv::enterBackground([path, ext] {
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
            qv::enterForeground([success, message] {
                QVHelper::playSoundType(success ? QVHelper::SoundDing : QVHelper::SoundError);
                if (!success || qv::isValid(message)) {
                    qv::alertWithMsg(message);
                }
                QVPendingWork::end();
            });
        });
    }
}
