#include "engine/service/QVMenuService.h"

#include "foundation/BundleExpand.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/LoginSession.h"

#include <QCache>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>

Q_LOGGING_CATEGORY(lcMenu, "tarsel.engine.menu", QtWarningMsg)

namespace {

constexpr int kIconSide = 16;

QVMenuItemPtr record(const QString& key, const QString& icon = QString())
{
    return QVHelper::markerItem(key, icon);
}

// The two-digit child suffix of a tag.
QString tagPair(qsizetype index)
{
    return QStringLiteral("%1").arg(index + 1, 2, 10, QLatin1Char('0'));
}

// The image at 16 x 16 points. The bundle hands out the same shared image for a name every
// time, so its scaled copy is kept by the image's cache key instead of being scaled per build.
QImage menuSizedImage(const QImage& source)
{
    if (source.size() == QSize(kIconSide, kIconSide)) {
        return source;
    }
    static QMutex mutex;
    static QCache<qint64, QImage> cache(256);
    QMutexLocker lock(&mutex);
    if (const QImage* scaled = cache.object(source.cacheKey())) {
        return *scaled;
    }
    const QImage scaled = source.scaled(kIconSide, kIconSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    cache.insert(source.cacheKey(), new QImage(scaled));
    return scaled;
}

// Menu images: the record's image at 16 x 16 points, and the name it was found by.
struct EntryImage
{
    QImage image;
    QString name;
};

EntryImage entryImage(const QVMenuItem& item)
{
    QString name;
    const QImage source = item.menuIcon(&name);
    if (source.isNull()) {
        return {};
    }
    return { menuSizedImage(source), name };
}

const QStringList& archiveExtensions()
{
    static const QStringList list = QStringLiteral("rar,zip,z01,001,zipx,7z,gz,gzip,tgz,bz2,bzip2,bz,xz,tbz2,tbz,tar,exe")
                                        .split(QLatin1Char(','));
    return list;
}

const QStringList& convertCandidates()
{
    static const QStringList list = {
        QStringLiteral("AppIcon.icns"), QStringLiteral("OSX AppIconset"),     QStringLiteral("iOS AppIconset"),
        QStringLiteral("iWatch AppIconset"), QStringLiteral("Android AppIconset"), QStringLiteral("PNG"),
        QStringLiteral("JPEG"),         QStringLiteral("JPG"),                QStringLiteral("JP2"),
        QStringLiteral("TIFF"),         QStringLiteral("BMP"),                QStringLiteral("GIF"),
        QStringLiteral("HEIC"),         QStringLiteral("PDF"),
    };
    return list;
}

} // namespace

// What one menu build knows about the selection.
struct QVMenuService::Build
{
    platform::FIMenuKind kind = platform::FIMenuKindContextualMenuForItems;
    bool hasSelection = false;
    qsizetype selectionCount = 0;
    std::shared_ptr<QVFile> first;
    QString ext;
    bool firstIsFolder = false;
};

QVMenuService::QVMenuService(platform::MenuTarget* delegate)
    : m_delegate(delegate)
{
    // Cut paths left from an earlier login session are stale. Every file-manager call is a new
    // process with a new engine, so the clearing is claimed once per session, never per engine:
    // a cut made by one call stays for the paste of the next. Nothing is written when there is
    // nothing to clear.
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem)
        && platform::LoginSession::claimOnce(QStringLiteral("cut-paths-cleared"))
        && !QVFileTransfer::storedCutPaths().isEmpty()) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, QStringLiteral("Cut Paste"),
                                     QStringLiteral("cutPaths"), QVariantList());
    }
}

QVMenuService::~QVMenuService() = default;

QUrl QVMenuService::targetURL() const
{
    return platform::FIFinderSyncController::defaultController().targetedURL();
}

QList<QUrl> QVMenuService::selectURLs()
{
    if (!m_selectURLs.isEmpty()) {
        return m_selectURLs;
    }
    QList<QUrl> urls = platform::FIFinderSyncController::defaultController().selectedItemURLs();
    if (urls.isEmpty()) {
        const QUrl target = targetURL();
        if (qv::isValid(target.toLocalFile())) {
            urls << target;
        }
    }
    urls.removeIf([](const QUrl& url) { return url.toLocalFile() == QLatin1String("/"); });
    m_selectURLs = urls;
    return urls;
}

QStringList QVMenuService::selectPaths()
{
    QStringList paths;
    for (const QUrl& url : selectURLs()) {
        paths << url.toLocalFile();
    }
    return paths;
}

bool QVMenuService::isSelectSingleURL()
{
    return m_isSelectURL && selectURLs().size() == 1;
}

platform::MenuTarget* QVMenuService::entryTarget() const
{
    if (m_isFinderSync && m_delegate != nullptr) {
        return m_delegate;
    }
    return const_cast<QVMenuService*>(this);
}

std::unique_ptr<platform::MenuItem> QVMenuService::makeEntry(const QString& title, qint64 tag) const
{
    auto entry = std::make_unique<platform::MenuItem>(title, tag);
    entry->setTarget(entryTarget());
    entry->setAction(&platform::MenuTarget::onMenuItemAction);
    return entry;
}

std::shared_ptr<platform::Menu> QVMenuService::menuForMenuKind(platform::FIMenuKind kind)
{
    if (m_isFinderSync) {
        m_selectURLs.clear();
    }
    Build build;
    build.kind = kind;
    const QList<QUrl> urls = selectURLs();
    build.selectionCount = urls.size();
    build.hasSelection = kind == platform::FIMenuKindToolbarItemMenu || !urls.isEmpty();
    if (build.hasSelection) {
        m_isSelectURL = kind == platform::FIMenuKindContextualMenuForItems;
    }
    // The toolbar button may be clicked where nothing is selectable ("/"): then there is a
    // selection without a first URL, and the first item stays empty.
    build.first = std::make_shared<QVFile>(build.hasSelection && !urls.isEmpty() ? urls.first().toLocalFile()
                                                                                  : QString());
    build.ext = build.first->ext();
    build.firstIsFolder = build.first->isFolder();

    m_rightMenuArray = QVMenuManager::menuItemArray();

    auto menu = std::make_shared<platform::Menu>();
    auto foldMenu = std::make_unique<platform::Menu>();
    const QString foldName = QVMenuManager::sharedDefaults().stringValue(QVMenuManager::kFoldMenuName);
    auto foldEntry = makeEntry(qv::isValid(foldName) ? foldName
                                                     : platform::Bundle::localizedString(
                                                           QStringLiteral("CFBundleDisplayName"), QStringLiteral(""),
                                                           QStringLiteral("InfoPlist")),
                               0);
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::NoFoldMenuImage)) {
        foldEntry->setImage(menuSizedImage(platform::Bundle::imageNamed(QStringLiteral("pro"))), QStringLiteral("pro"));
    }
    bool foldUsed = false;
    const bool hideIcons = QVMenuManager::isPrefCheckOn(QVSwitch::NoTopLevelIcons);
    const bool hideSubmenuIcons = QVMenuManager::isPrefCheckOn(QVSwitch::NoSubmenuIcons);
    const bool insideExtension = m_isFinderSync;
    const QString firstPath = build.first->path();

    for (qsizetype i = 0; i < m_rightMenuArray.size(); ++i) {
        const QVMenuItemPtr& r = m_rightMenuArray[i];
        if (i >= kMaxEntriesPerLevel) {
            qCWarning(lcMenu).noquote() << "the main menu holds" << m_rightMenuArray.size() << "entries; only the first"
                                        << kMaxEntriesPerLevel << "can be shown";
            break;
        }
        if (skipRecord(r, build)) {
            continue;
        }
        QString title = r->menuTitle();
        if (r->isCutPaste()) {
            if (qv::isSystemFolder(firstPath)) {
                continue;
            }
            title = qv::localized("Cut");
            r->setIcon(QStringLiteral("cut"));
        } else if (r->isLockUnlock()) {
            const bool locked = qv::isLocked(firstPath);
            title = qv::localized(locked ? "Unlock" : "Lock");
            r->setIcon(locked ? QStringLiteral("unlock") : QStringLiteral("lock"));
        }
        auto entry = makeEntry(title, i + 1);
        entry->setKey(r->key());
        if (!hideIcons) {
            const EntryImage image = entryImage(*r);
            entry->setImage(image.image, image.name);
        }
        addDynamicChildren(r, build);
        if (!r->children().isEmpty()) {
            entry->setSubmenu(submenu(r->children(), tagPair(i), hideSubmenuIcons));
        }
        platform::Menu* place = menu.get();
        if (r->isFoldUp() && kind != platform::FIMenuKindToolbarItemMenu) {
            place = foldMenu.get();
            foldUsed = true;
        }
        place->addItem(std::move(entry));
        if (r->haveSepLine() && !insideExtension) {
            place->addSeparator();
        }
    }
    if (foldUsed) {
        foldEntry->setSubmenu(std::move(foldMenu));
        menu->insertItem(std::move(foldEntry), 0);
    }
    return menu;
}

bool QVMenuService::skipRecord(const QVMenuItemPtr& recordPtr, const Build& build)
{
    QVMenuItem& r = *recordPtr;
    const QString ext = build.ext;
    const QVFile& first = *build.first;
    // 1
    if ((!build.hasSelection && !r.isNotNeedURL()) || (m_isSelectURL && r.isHideAllFiles())) {
        return true;
    }
    // 2
    if (r.isCommonPath() && m_isSelectURL && m_isFinderSync) {
        if (!(build.firstIsFolder && QVMenuManager::isPrefCheckOn(QVSwitch::AddToCommonPath))) {
            return true;
        }
        r.setDisplayName(qv::localized("Add to Common Path"));
        r.setIsCommonPathShortcutAdd(true);
    }
    // 3
    if ((r.isConvert() || r.isResizeImage()) && !r.formats().contains(ext)) {
        return true;
    }
    // 4
    if (r.isFileInfo() && build.firstIsFolder) {
        return true;
    }
    // 5
    if (r.isCutPaste() && !m_isSelectURL && r.cutPaths().isEmpty()) {
        return true;
    }
    // 6
    if (r.isColorPicker() && m_isSelectURL) {
        return true;
    }
    // 7
    if (!r.formats().isEmpty() && !r.formats().contains(ext)) {
        return true;
    }
    // 8
    if (r.isSendToDesktopShortcut() && qv::isValid(first.path()) && qv::isDesktop(first.folder())) {
        return true;
    }
    // 9
    if ((r.isGetInfo() && m_isFinderSync) || (r.isShowPackageContents() && !first.isPackage())
        || (r.isEject() && !first.isVolumes()) || !visibilityFilter(r, build)
        || (r.isNeedSelectURL() && !m_isSelectURL)) {
        return true;
    }
    // 10
    if (r.isCopyFileContents() && qv::isBlank(copyableText(first.path()))) {
        return true;
    }
    // 11
    if ((r.isCutPaste() && !r.cutPaths().isEmpty() && build.firstIsFolder) || r.isPaste()) {
        if (!r.cutPaths().isEmpty() && first.path() == QFileInfo(r.cutPaths().first()).path()) {
            return true;
        }
    }
    return false;
}

bool QVMenuService::visibilityFilter(QVMenuItem& r, const Build& build)
{
    const QVFile& first = *build.first;
    if (!r.isNeedFile() && !r.isNeedFolder()) {
        return true;
    }
    if (r.isNeedFile() && r.isNeedFolder() && !m_isSelectURL) {
        return false;
    }
    if (r.isNeedFile() && !r.isNeedFolder() && build.firstIsFolder) {
        return false;
    }
    if (r.isNeedFolder() && !r.isNeedFile() && !build.firstIsFolder) {
        return false;
    }
    if (!build.hasSelection) {
        return false;
    }
    if (!r.formats().isEmpty() && !r.formats().contains(build.ext)) {
        return false;
    }
    const qsizetype s = build.selectionCount;
    switch (r.appCmd().toInt()) {
    case 2:
        r.setDisplayName(s <= 1 ? qv::localized("Preview ") + QLatin1Char('"') + first.filename() + QLatin1Char('"')
                                : qv::localized("Preview All"));
        return true;
    case 3:
    case 4:
        if (s == 1 && archiveExtensions().contains(build.ext)) {
            return false;
        }
        if (r.appCmd().toInt() == 3) {
            const QString name = s > 1 ? qv::localized("Archiver") : first.name();
            r.setDisplayName(qv::localized("Compressed to ") + QLatin1Char('"') + name + QStringLiteral(".zip\""));
        }
        return true;
    default:
        return true;
    }
}

QVMenuItemList QVMenuService::visibleRecords(const QVMenuItemList& records, const Build& build)
{
    QVMenuItemList shown;
    for (const QVMenuItemPtr& item : records) {
        if (visibilityFilter(*item, build)) {
            shown << item;
        }
    }
    return shown;
}

void QVMenuService::addDynamicChildren(const QVMenuItemPtr& r, const Build& build)
{
    QVMenuItemList children;
    bool hasChildren = false;
    auto selectFolderFirst = [](QVMenuItemList list) {
        list.prepend(record(QStringLiteral("Select Folder"), QStringLiteral("choose")));
        return list;
    };

    if (r->isFileInfo()) {
        for (const char* key : { "All Info", "MD5", "SHA1", "SHA256", "SHA512", "CRC32" }) {
            children << record(QLatin1String(key));
        }
        hasChildren = true;
    } else if (r->isConvert()) {
        if (build.ext == QLatin1String("txt")) {
            children << record(QStringLiteral("UTF-8"));
        } else {
            const QString upperExt = build.ext.toUpper();
            for (const QString& candidate : convertCandidates()) {
                const bool isPdf = candidate == QLatin1String("PDF");
                // An empty extension is contained in every text, so it must not rule anything out.
                const bool offered = upperExt.isEmpty() || !candidate.contains(upperExt);
                if (isPdf && build.selectionCount > 1) {
                    auto merge = record(candidate);
                    merge->setDisplayName(qv::localized("Merge to PDF"));
                    children << merge;
                } else if (offered) {
                    children << record(candidate);
                }
            }
        }
        hasChildren = true;
    } else if (r->isResizeImage()) {
        children << record(QStringLiteral("Customize..."));
        for (const QVariant& value : QVMenuManager::sharedDefaults().arrayValue(QVMenuManager::kArrayImageSize)) {
            const QVariantMap size = value.toMap();
            auto item = record(size.value(QStringLiteral("displayName")).toString());
            item->setDisplayName(size.value(QStringLiteral("displayName")).toString());
            item->setInfo(size);
            children << item;
        }
        hasChildren = true;
    } else if (r->isCommonPath() && !r->isCommonPathShortcutAdd()) {
        children = QVMenuManager::commonPathMenuArray();
        QVHelper::setCommonPathNextMenus(children);
        if (children.isEmpty()) {
            children << QVMenuItem::setItem();
        }
        if (!m_isFinderSync && build.firstIsFolder && QVMenuManager::isPrefCheckOn(QVSwitch::AddToCommonPath)) {
            auto add = record(QStringLiteral("Add to Common Path"), QStringLiteral("add"));
            add->setIsCommonPathShortcutAdd(true);
            children << add;
        }
        hasChildren = true;
    } else if (r->isCommonScript() || r->isCommonApp()) {
        const bool scripts = r->isCommonScript();
        children = visibleRecords(scripts ? QVMenuManager::commonScriptMenuArray() : QVMenuManager::commonAppMenuArray(),
                                  build);
        for (const QVMenuItemPtr& child : std::as_const(children)) {
            if (child->isBorella() || child->isBorellaPro()) {
                child->setChildren(visibleRecords(QVMenuManager::borellaMenuArray(child->isBorellaPro()), build));
            }
            if (scripts && child->isToCommomPathScript()) {
                child->setChildren(selectFolderFirst(QVMenuManager::commonPathMenuArray()));
            }
        }
        hasChildren = true;
    } else if (!qv::isValid(r->appCmd()) && (r->isBorella() || r->isBorellaPro())) {
        children = visibleRecords(QVMenuManager::borellaMenuArray(r->isBorellaPro()), build);
        hasChildren = true;
    } else if (r->isFolderIcon()) {
        children = QVMenuManager::folderIconMenuArray();
        const QString firstPath = build.first->path();
        if (!(!qv::hasCustomIcon(firstPath) && build.firstIsFolder && m_isSelectURL)) {
            auto recover = record(QStringLiteral("Recover Icon"), QStringLiteral("recover"));
            recover->setDisplayName(qv::localized("Recover"));
            children.prepend(recover);
        }
        hasChildren = true;
    }

    if (r->isMove() || r->isCopy() || r->isSymlinkTo() || r->isTerminalTo() || r->isToCommomPathScript()) {
        children = QVMenuManager::commonPathMenuArray();
        if (!r->isTerminalTo()) {
            QVHelper::setCommonPathChildFolderItems(children);
        }
        children = selectFolderFirst(children);
        hasChildren = true;
    } else if (r->isNewFile()) {
        for (const QVMenuItemPtr& tpl : QVMenuManager::newFileTemplateMenuArray(false)) {
            if (tpl->isNewFileFromWindow() || build.hasSelection) {
                children << tpl;
            }
        }
        if (m_isSelectURL && build.selectionCount == 1 && !build.firstIsFolder
            && QVMenuManager::isPrefCheckOn(QVSwitch::AddToFileTemplate)) {
            children << QVMenuItem::addToFileTemplate();
        }
        hasChildren = true;
    }

    if (hasChildren) {
        r->setChildren(children);
        for (const QVMenuItemPtr& child : std::as_const(children)) {
            child->setParent(r);
        }
    }
}

std::unique_ptr<platform::Menu> QVMenuService::getSubMenuWithChildren(const QVMenuItemList& children,
                                                                      const QString& parentTag)
{
    return submenu(children, parentTag, QVMenuManager::isPrefCheckOn(QVSwitch::NoSubmenuIcons));
}

std::unique_ptr<platform::Menu> QVMenuService::submenu(const QVMenuItemList& children, const QString& parentTag,
                                                       bool hideIcons)
{
    if (children.isEmpty()) {
        return nullptr;
    }
    auto menu = std::make_unique<platform::Menu>();
    bool anyEntry = false;
    for (qsizetype j = 0; j < children.size(); ++j) {
        const QVMenuItemPtr& child = children[j];
        if (j >= kMaxEntriesPerLevel) {
            qCWarning(lcMenu).noquote() << "the submenu" << parentTag << "holds" << children.size()
                                        << "entries; only the first" << kMaxEntriesPerLevel << "can be shown";
            break;
        }
        if (child->disabled() || child->isAddToMainMenu()) {
            continue;
        }
        if (child->isSepLine()) {
            menu->addSeparator(child->menuTitle());
            continue;
        }
        const QString tagString = parentTag + tagPair(j);
        auto entry = makeEntry(child->menuTitle(), tagString.toLongLong());
        entry->setKey(child->key());
        if (!hideIcons) {
            const EntryImage image = entryImage(*child);
            entry->setImage(image.image, image.name);
        }
        if (!child->children().isEmpty()) {
            entry->setSubmenu(submenu(child->children(), tagString, hideIcons));
        }
        menu->addItem(std::move(entry));
        anyEntry = true;
    }
    // A submenu whose children are all left out would offer nothing; the entry then acts as a
    // plain command instead.
    if (!anyEntry) {
        return nullptr;
    }
    return menu;
}

void QVMenuService::onMenuItemAction(const platform::MenuItem& item)
{
    handlerMenuTag(item.tag());
}
