#include "engine/service/filecommands/QVFileCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/openwith/QVOpenWithCommands.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVColorPickerHook.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/FileOps.h"
#include "platform/Pasteboard.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFileCommands, "tarsel.engine.filecommands", QtWarningMsg)

void QVFileCommands::copyPathWithOnlyName(bool onlyName)
{
    QStringList lines;
    for (const QUrl& url : m_context.selectURLs()) {
        lines << (onlyName ? QFileInfo(url.path()).fileName() : url.path());
    }
    // Joined without the trimming of copyToPasteboard: a name may begin or end with blanks.
    auto& board = platform::Pasteboard::general();
    board.clear();
    board.setString(lines.join(QLatin1Char('\n')));
    QVHelper::playSoundType(QVHelper::SoundCopy);
}

namespace {

const QString kTerminalService = QStringLiteral("New Terminal at Folder");
const QString kITermService = QStringLiteral("New iTerm2 Window Here");

} // namespace

void QVFileCommands::deletePath()
{
    const auto deleteStep = [this]() {
        for (const QString& path : m_context.selectPaths()) {
            QString error;
            if (!platform::FileOps::removeItem(path, &error)) {
                qv::alertWithMsg(qv::localized(QStringLiteral("Delete Fail Tip")), nullptr);
            }
        }
        QVHelper::playSoundType(QVHelper::SoundFold);
    };
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::AskBeforeDelete)) {
        deleteStep();
        return;
    }
    platform::Alert alert = qv::alert();
    alert.setAlertStyle(platform::Alert::Style::Warning);
    alert.setMessageText(qv::localized(QStringLiteral("Tip")));
    alert.setInformativeText(qv::localized(QStringLiteral("Delete Tip")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("OK")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    if (alert.runModal() == platform::Alert::FirstButtonReturn) {
        deleteStep();
    }
}

void QVFileCommands::moveToTrash()
{
    // This desktop has no file manager to hand a trash shortcut to: both processes trash the
    // items themselves, through the freedesktop Trash.
    for (const QString& path : m_context.selectPaths()) {
        QString error;
        if (!platform::Trash::trashItem(path, nullptr, &error)) {
            // Which item stayed and why: a volume's trash may be refused for reasons the user can mend.
            qv::alertWithMsg(qv::localized(QStringLiteral("Delete Fail Tip")) + QLatin1Char('\n') + error, nullptr);
        }
    }
    QVHelper::playSoundType(QVHelper::SoundFold);
}

void QVFileCommands::showPackageContents()
{
    for (const QString& path : m_context.selectPaths()) {
        const QStringList entries
            = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        if (!entries.isEmpty()) {
            qv::openInFinder(QDir(path).filePath(entries.first()));
        }
    }
}

void QVFileCommands::ejectVolumes()
{
    for (const QString& path : m_context.selectPaths()) {
        // Each volume reports for itself, through the sound only.
        qv::enterBackground([path]() {
            const bool ok = platform::Volumes::eject(path);
            QVHelper::playSoundType(ok ? QVHelper::SoundCopy : QVHelper::SoundError);
        });
    }
}

QString QVFileCommands::copyableText(const QString& path)
{
    if (path.isEmpty()) {
        return QString();
    }
    // Pipes and devices are never opened: reading them could block for ever.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxCopyContentsSize) {
        return QString();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    // Read at most one byte more than the size seen, so a file that grew is still caught without
    // allocating the whole limit every time.
    const QByteArray data = file.read(info.size() + 1);
    if (data.size() > info.size()) {
        return QString();
    }
    return qv::getStringFromData(data);
}

void QVFileCommands::copyFileContents()
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    const QString text = copyableText(paths.first());
    if (!qv::isValid(text)) {
        QVHelper::playSoundType(QVHelper::SoundError);
        qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")), nullptr);
        return;
    }
    qv::copyToPasteboard(text);
    QVHelper::playSoundType(QVHelper::SoundCopy);
    if (m_context.progressHooks().showSuccess) {
        m_context.progressHooks().showSuccess(qv::localized(QStringLiteral("Success Common Tip")));
    }
}

void QVFileCommands::showSystemFiles(const QVMenuItemPtr& item)
{
    const QString show = qv::localized(QStringLiteral("System Hide Files Show"));
    const QString hide = qv::localized(QStringLiteral("System Hide Files Hide"));
    platform::Alert choice = qv::alert();
    choice.setMessageText(qv::localized(item->key()));
    choice.setInformativeText(qv::localized(QStringLiteral("System Hide Files Tip")));
    choice.addButtonWithTitle(show);
    choice.addButtonWithTitle(hide);
    choice.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    const int chosen = choice.runModal();
    if (chosen != platform::Alert::FirstButtonReturn && chosen != platform::Alert::FirstButtonReturn + 1) {
        return;
    }
    const bool showAll = chosen == platform::Alert::FirstButtonReturn;
    // Only copied: the user runs it in the terminal that opens next.
    qv::copyToPasteboard(
        qv::stringWithFormat(item->command(), showAll ? QStringLiteral("true") : QStringLiteral("false")));

    platform::Alert paste = qv::alert();
    paste.setMessageText(showAll ? show : hide);
    paste.setInformativeText(qv::localized(QStringLiteral("Copy Instruction Tip")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Paste to Terminal")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Paste to iTerm2")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    const int where = paste.runModal();
    if (where == platform::Alert::FirstButtonReturn) {
        m_openWith.openServe(kTerminalService, qv::desktopPath());
    } else if (where == platform::Alert::FirstButtonReturn + 1) {
        m_openWith.openServe(kITermService, qv::desktopPath());
    }
}

bool QVFileCommands::_canSimuFinderShortcut()
{
    // There is no synthetic shortcut on this desktop: the request goes to the file manager over
    // D-Bus, so what matters is that one answers there. No accessibility grant is involved.
    if (platform::Workspace::hasFileManager()) {
        return true;
    }
    qv::alertWithMsg(qv::localized(QStringLiteral("Please select Finder first")), nullptr);
    return false;
}

void QVFileCommands::getInfo()
{
    if (_canSimuFinderShortcut() && !platform::Workspace::showItemProperties(m_context.selectPaths())) {
        qCWarning(lcFileCommands) << "the file manager did not show the properties of the selection";
    }
}

bool QVFileCommands::startColorPicker()
{
    return qv::startColorPicker();
}
