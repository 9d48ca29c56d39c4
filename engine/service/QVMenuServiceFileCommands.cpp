// The file and folder commands that act at once on the selection.

#include "engine/service/QVMenuService.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "platform/Defaults.h"
#include "foundation/AlertExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/FileOps.h"
#include "platform/Pasteboard.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString tr(const QString& key)
{
    return platform::Bundle::localizedString(key);
}

} // namespace

void QVMenuService::copyPathWithOnlyName(bool onlyName)
{
    QStringList lines;
    for (const QUrl& url : selectURLs()) {
        lines << (onlyName ? QFileInfo(url.path()).fileName() : url.path());
    }
    // Joined without the trimming of copyToPasteboard: a name may begin or end with blanks.
    auto& board = platform::Pasteboard::general();
    board.clear();
    board.setString(lines.join(QLatin1Char('\n')));
    QVHelper::playSoundType(QVHelper::SoundCopy);
}

void QVMenuService::deletePath()
{
    const auto deleteStep = [this]() {
        for (const QString& path : selectPaths()) {
            QString error;
            if (!platform::FileOps::removeItem(path, &error)) {
                qv::alertWithMsg(tr(QStringLiteral("Delete Fail Tip")), nullptr);
            }
        }
        QVHelper::playSoundType(QVHelper::SoundFold);
    };
    if (!QVMenuManager::sharedDefaults().value(QVMenuManager::prefCheck(0)).toBool()) {
        deleteStep();
        return;
    }
    platform::Alert alert = qv::alert();
    alert.setAlertStyle(platform::Alert::Style::Warning);
    alert.setMessageText(tr(QStringLiteral("Tip")));
    alert.setInformativeText(tr(QStringLiteral("Delete Tip")));
    alert.addButtonWithTitle(tr(QStringLiteral("OK")));
    alert.addButtonWithTitle(tr(QStringLiteral("Cancel")));
    if (alert.runModal() == platform::Alert::FirstButtonReturn) {
        deleteStep();
    }
}

void QVMenuService::moveToTrash()
{
    // This desktop has no file manager to hand a trash shortcut to: both processes trash the
    // items themselves, through the freedesktop Trash.
    for (const QString& path : selectPaths()) {
        QString error;
        if (!platform::Trash::trashItem(path, nullptr, &error)) {
            qv::alertWithMsg(tr(QStringLiteral("Delete Fail Tip")), nullptr);
        }
    }
    QVHelper::playSoundType(QVHelper::SoundFold);
}

void QVMenuService::showPackageContents(const QVMenuItemPtr&)
{
    for (const QString& path : selectPaths()) {
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        if (!entries.isEmpty()) {
            qv::openInFinder(QDir(path).filePath(entries.first()));
        }
    }
}

void QVMenuService::ejectVolumes(const QVMenuItemPtr&)
{
    for (const QString& path : selectPaths()) {
        // Each volume reports for itself, through the sound only.
        qv::enterBackground([path]() {
            const bool ok = platform::Volumes::eject(path);
            QVHelper::playSoundType(ok ? QVHelper::SoundCopy : QVHelper::SoundError);
        });
    }
}

void QVMenuService::copyFileContents()
{
    const QStringList paths = selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    QFile file(paths.first());
    QString text;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxCopyContentsSize) {
        // Stateless: a sequence cut off at the end is an error, not a pending character.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder.decode(file.readAll());
        if (decoder.hasError()) {
            text.clear();
        }
    }
    if (!qv::isValid(text)) {
        QVHelper::playSoundType(QVHelper::SoundError);
        qv::alertWithMsg(tr(QStringLiteral("Error Common Tip")), nullptr);
        return;
    }
    qv::copyToPasteboard(text);
    QVHelper::playSoundType(QVHelper::SoundCopy);
    if (m_progress.showSuccess) {
        m_progress.showSuccess(tr(QStringLiteral("Success Common Tip")));
    }
}
