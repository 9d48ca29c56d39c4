#include "engine/service/QVHelper.h"
#include "engine/service/QVCommandFailures.h"

#include "platform/Hook.h"

#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpand.h"
#include "platform/Alias.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcHelper, "tarsel.engine.helper", QtWarningMsg)

struct SoundResource
{
    QString name;
    QString type;
};

SoundResource soundResource(int type)
{
    switch (type) {
    case QVHelper::SoundOk:
        return { QStringLiteral("ok"), QStringLiteral("ogg") };
    case QVHelper::SoundNew:
        return { QStringLiteral("new"), QStringLiteral("wav") };
    case QVHelper::SoundFold:
        return { QStringLiteral("fold"), QStringLiteral("ogg") };
    case QVHelper::SoundError:
        return { QStringLiteral("error"), QStringLiteral("wav") };
    case QVHelper::SoundDing:
        return { QStringLiteral("dingd"), QStringLiteral("ogg") };
    default:
        return { QStringLiteral("copy"), QStringLiteral("ogg") };
    }
}

} // namespace

bool QVHelper::refusesProtectedFolders(const QStringList& paths, const QString& action)
{
    for (const QString& path : paths) {
        const QString folder = qv::protectedFolderOf(path);
        if (folder.isNull()) {
            continue;
        }
        // A hostile spelling ("home/w/..", "//usr/") is named as given and as the folder it is.
        const QString named = folder == path ? QStringLiteral("\"%1\"").arg(path)
                                             : QStringLiteral("\"%1\" (the folder \"%2\")").arg(path, folder);
        const QString message
            = QStringLiteral("Failed to %1. File: %2. Error: \"%3\"").arg(action, named, qv::protectedFolderReason());
        QVCommandFailures::note(message);
        playSoundType(SoundError);
        qv::alertWithMsg(message);
        return true;
    }
    return false;
}

void QVHelper::playSoundType(int type)
{
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::SoundFeedback)) {
        return;
    }
    const SoundResource sound = soundResource(type);
    qv::enterBackground([sound] {
        const QString path = platform::Bundle::resourcePath(sound.name, sound.type);
        if (!path.isEmpty()) {
            qv::play(path);
        }
    });
}

namespace {

platform::Hook<QVHelper::PermitCheck>& permitHook()
{
    static platform::Hook<QVHelper::PermitCheck> hook;
    return hook;
}

QVMenuItemPtr pathItem(const QString& path, const QString& fileName)
{
    auto item = QVMenuItem::create();
    item->setKey(path);
    item->setPath(path);
    item->setDisplayName(fileName);
    return item;
}

// The extension as the file manager sees it: what follows the last dot of the name.
qsizetype extensionLength(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? 0 : name.size() - dot - 1;
}

// What the common folders' submenus are built by, read once for all the folders of one menu:
// the mode "common path next menu", the entry limit, and the application list when a mode
// needs it.
struct Listing
{
    qint64 mode = QVMenuManager::sharedDefaults().integerValue(QVMenuManager::kCommonPathNextMenu);
    qint64 maxCount = QVHelper::maxSubpathCount();
    std::optional<QVMenuItemList> apps;

    const QVMenuItemList& appMenu()
    {
        if (!apps) {
            apps = QVHelper::_nextTypeAppMenu();
        }
        return *apps;
    }
};

QVMenuItemList nextMenu(const QString& path, Listing& listing)
{
    if (!QVHelper::checkPermitWithPath(path)) {
        return { QVHelper::markerItem(QStringLiteral("To Authorize")) };
    }
    QVMenuItemList items;
    switch (listing.mode) {
    case 2:
        items = listing.appMenu();
        break;
    case 3:
        items = QVHelper::_nextTypeSubMenuWithPath(path, listing.maxCount, 1).value_or(QVMenuItemList());
        break;
    case 4:
        items = QVHelper::_nextTypeSubMenuWithPath(path, listing.maxCount, 1).value_or(QVMenuItemList());
        items << QVMenuItem::sepLineItem();
        items << listing.appMenu();
        break;
    default:
        break;
    }
    if (!items.isEmpty()) {
        items.prepend(QVHelper::markerItem(QStringLiteral("Show in Finder"), QStringLiteral("showfinder")));
    }
    return items;
}

QVMenuItemList childFolders(const QString& path, const Listing& listing)
{
    if (listing.mode == 1 || listing.mode == 2) {
        return {};
    }
    if (!QVHelper::checkPermitWithPath(path)) {
        return { QVHelper::markerItem(QStringLiteral("To Authorize")) };
    }
    const qint64 max = listing.maxCount;
    const QString folder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    QVMenuItemList items;
    // Only as many entries are examined as it takes to find max folders.
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (items.size() < max && it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name.startsWith(QLatin1Char('.')) || !qv::isFolder(folder + name)) {
            continue;
        }
        items << pathItem(folder + name, name);
    }
    if (items.isEmpty()) {
        return items;
    }
    const bool cut = items.size() >= max;
    items.prepend(QVHelper::markerItem(QStringLiteral("Current Directory"), QStringLiteral("showfinder")));
    items << QVHelper::markerItem(QStringLiteral("Other Folder"), QStringLiteral("choose"));
    if (cut) {
        auto tip = QVMenuItem::sepLineItem();
        tip->setDisplayName(qv::stringWithFormat(qv::localized(QStringLiteral("Only Show Folder Tip")), max));
        items << tip;
    }
    return items;
}

} // namespace

QVMenuItemPtr QVHelper::markerItem(const QString& key, const QString& icon)
{
    auto item = QVMenuItem::create();
    item->setKey(key);
    if (!icon.isEmpty()) {
        item->setIcon(icon);
    }
    return item;
}

void QVHelper::setPermitCheck(PermitCheck check)
{
    permitHook().set(std::move(check));
}

bool QVHelper::checkPermitWithPath(const QString& path)
{
    const PermitCheck check = permitHook().get();
    if (check) {
        return check(path);
    }
    return QVCheckPermit::checkPermitWithPath(path);
}

qint64 QVHelper::maxSubpathCount()
{
    const qint64 count = QVMenuManager::sharedDefaults().integerValue(QVMenuManager::kCommonSubpathMaxCount);
    return count > 0 ? count : 5;
}

QVMenuItemList QVHelper::commomPathNextMenuWithPath(const QString& path)
{
    Listing listing;
    return nextMenu(path, listing);
}

void QVHelper::setCommonPathNextMenus(const QVMenuItemList& folders)
{
    Listing listing;
    for (const QVMenuItemPtr& folder : folders) {
        folder->setChildren(nextMenu(folder->path(), listing));
    }
}

std::optional<QVMenuItemList> QVHelper::_nextTypeSubMenuWithPath(const QString& path, qint64 maxCount, int level)
{
    if (level > 3 || !qv::isFolder(path)) {
        return std::nullopt;
    }
    QStringList names
        = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return extensionLength(a) < extensionLength(b); });
    const QString folder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    QVMenuItemList items;
    for (const QString& name : std::as_const(names)) {
        if (name.startsWith(QLatin1Char('.'))) {
            continue;
        }
        items << pathItem(folder + name, name);
        if (items.size() >= maxCount) {
            items << QVHelper::markerItem(QStringLiteral("More Files"), QStringLiteral("more"));
            break;
        }
    }
    return items;
}

QVMenuItemList QVHelper::_nextTypeAppMenu()
{
    QVMenuItemList items = QVMenuManager::belongAppMenuArray();
    for (const QVMenuItemPtr& app : QVMenuManager::commonAppMenuArray()) {
        if (app->isNeedFile() && !app->isNeedFolder()) {
            continue;
        }
        items << app;
    }
    return items;
}

QVMenuItemList QVHelper::commomPathChildFolderItemWithPath(const QString& path)
{
    return childFolders(path, Listing());
}

void QVHelper::setCommonPathChildFolderItems(const QVMenuItemList& folders)
{
    const Listing listing;
    for (const QVMenuItemPtr& folder : folders) {
        folder->setChildren(childFolders(folder->path(), listing));
    }
}

bool QVHelper::createBookmarkAtURL(const QUrl& aliasUrl, const QUrl& forTargetAtURL)
{
    if (!aliasUrl.isLocalFile() || !forTargetAtURL.isLocalFile()) {
        return false;
    }
    const QString aliasPath = aliasUrl.toLocalFile();
    QString error;
    if (!platform::Alias::create(aliasPath, forTargetAtURL.toLocalFile(), &error)) {
        qCWarning(lcHelper).noquote() << error;
        return false;
    }
    return true;
}
