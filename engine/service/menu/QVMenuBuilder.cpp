#include "engine/service/menu/QVMenuBuilder.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "engine/service/menu/QVMenuChildren.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/RealPath.h"

#include <QCache>
#include <QLoggingCategory>
#include <QMutex>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcMenu)

namespace {

constexpr int kIconSide = 16;
constexpr qsizetype kMaxEntries = QVMenuService::kMaxEntriesPerLevel;

// The two-digit child suffix of a tag.
QString tagPair(qsizetype index)
{
    return QStringLiteral("%1").arg(index + 1, 2, 10, QLatin1Char('0'));
}

// The image at 16 x 16 points. The bundle hands out the same shared image for a name every
// time, so its scaled copy is kept by the image's cache key instead of being scaled per build.
QImage menuSizedImage(const QImage& source)
{
    if (source.isNull() || source.size() == QSize(kIconSide, kIconSide)) {
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

// The image of a name for a menu: the application's own image comes drawn at menu size from the
// cache the bundle keeps across processes, so that showing a menu decodes no image file; any
// other image is drawn and scaled here.
QImage menuImage(const QString& name, bool named, const std::function<QImage()>& draw)
{
    if (named) {
        const QImage cached = platform::Bundle::scaledImageNamed(name, QSize(kIconSide, kIconSide));
        if (!cached.isNull()) {
            return cached;
        }
    }
    return menuSizedImage(draw());
}

// Gives the entry the record's image at 16 x 16 points and the name it was found by; icon names
// the image shown in place of the record's own icon, when given.
// The image is drawn only when the menu is shown: a printed or picked menu needs the names alone.
void setEntryImage(platform::MenuItem& entry, const QVMenuItem& item, const QString& icon = QString())
{
    QVMenuItem::IconSource source = item.menuIconSource(icon.isEmpty() ? item.icon() : icon);
    if (!source.draw) {
        entry.setImage(QImage(), QString());
        return;
    }
    entry.setImageSource(source.name, [name = source.name, named = source.named, draw = std::move(source.draw)] {
        return menuImage(name, named, draw);
    });
}

} // namespace

QVMenuContext QVMenuBuilder::contextFor(platform::FIMenuKind kind, const QList<QUrl>& urls, bool isSelectURL,
                                        bool insideExtension)
{
    QVMenuContext c;
    c.kind = kind;
    c.selectionCount = urls.size();
    c.hasSelection = kind == platform::FIMenuKindToolbarItemMenu || !urls.isEmpty();
    c.isSelectURL = isSelectURL;
    c.insideExtension = insideExtension;
    // The toolbar button may be clicked where nothing is selectable ("/"): then there is a
    // selection without a first URL, and the first item stays empty.
    c.first = std::make_shared<QVFile>(c.hasSelection && !urls.isEmpty() ? urls.first().toLocalFile() : QString());
    c.ext = c.first->ext();
    c.firstIsFolder = c.first->isFolder();
    c.offerAddToCommonPath = QVMenuManager::isPrefCheckOn(QVSwitch::AddToCommonPath);
    c.offerAddToFileTemplate = QVMenuManager::isPrefCheckOn(QVSwitch::AddToFileTemplate);
    c.undecodableNames = std::any_of(urls.cbegin(), urls.cend(), &QVMenuBuilder::hasUndecodableName);
    return c;
}

bool QVMenuBuilder::hasUndecodableName(const QUrl& url)
{
    return url.isLocalFile()
        && platform::realpath::folderOfUndecodableName(platform::realpath::pathOfFileUrl(url)).has_value();
}

QVMenuItemList QVMenuBuilder::recordsFor(const QVMenuContext& context)
{
    QVMenuItemList records = QVMenuManager::menuItemArray();
    const bool listed = std::any_of(records.cbegin(), records.cend(),
                                    [](const QVMenuItemPtr& r) { return r->isFixingGarbledNames(); });
    if (context.undecodableNames && !listed) {
        auto repair = QVMenuItem::create();
        repair->setKey(QStringLiteral("Fixing Garbled Names"));
        repair->setIcon(QStringLiteral("fix"));
        records.append(repair);
    }
    return records;
}

QVMenuBuilder::QVMenuBuilder(QVMenuContext context, platform::MenuTarget* target)
    : m_context(std::move(context))
    , m_target(target)
    , m_hideIcons(QVMenuManager::isPrefCheckOn(QVSwitch::NoTopLevelIcons))
    , m_hideSubmenuIcons(QVMenuManager::isPrefCheckOn(QVSwitch::NoSubmenuIcons))
{
    if (!m_context.first) {
        m_context.first = std::make_shared<QVFile>();
    }
}

std::unique_ptr<platform::MenuItem> QVMenuBuilder::makeEntry(const QString& title, qint64 tag) const
{
    auto entry = std::make_unique<platform::MenuItem>(title, tag);
    entry->setTarget(m_target);
    entry->setAction(&platform::MenuTarget::onMenuItemAction);
    return entry;
}

std::unique_ptr<platform::MenuItem> QVMenuBuilder::makeFoldEntry() const
{
    const QString foldName = QVMenuManager::sharedDefaults().stringValue(QVMenuManager::kFoldMenuName);
    auto foldEntry = makeEntry(qv::isValid(foldName)
                                   ? foldName
                                   : platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"),
                                                                       QStringLiteral(""), QStringLiteral("InfoPlist")),
                               0);
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::NoFoldMenuImage)) {
        foldEntry->setImageSource(QStringLiteral("pro"), [] {
            return menuImage(QStringLiteral("pro"), true,
                             [] { return platform::Bundle::imageNamed(QStringLiteral("pro")); });
        });
    }
    return foldEntry;
}

std::shared_ptr<platform::Menu> QVMenuBuilder::menu(const QVMenuItemList& records)
{
    auto menu = std::make_shared<platform::Menu>();
    auto foldMenu = std::make_unique<platform::Menu>();
    auto foldEntry = makeFoldEntry();
    Places places { menu.get(), foldMenu.get(), false };
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (i >= kMaxEntries) {
            qCWarning(lcMenu).noquote() << "the main menu holds" << records.size() << "entries; only the first"
                                        << kMaxEntries << "can be shown";
            break;
        }
        addTopEntry(records[i], i, places);
    }
    if (places.foldUsed) {
        foldEntry->setSubmenu(std::move(foldMenu));
        menu->insertItem(std::move(foldEntry), 0);
    }
    return menu;
}

void QVMenuBuilder::addTopEntry(const QVMenuItemPtr& r, qsizetype i, Places& places)
{
    const QVMenuContext& c = m_context;
    if (QVMenuRules::topLevelReason(*r, c) != QVMenuRules::Reason::Shown) {
        return;
    }
    // Where the record also stands in a later submenu (an application under a common folder),
    // it carries the title the filter gave it here.
    if (const QString title = QVMenuRules::visibilityTitle(*r, c); !title.isNull()) {
        m_titles.set(r, title);
    }
    const bool isShortcut = QVMenuRules::isCommonPathShortcut(*r, c);
    if (isShortcut) {
        r->setIsCommonPathShortcutAdd(true);
    }
    const QVMenuRules::Look look = QVMenuRules::look(*r, c);
    auto entry = makeEntry(look.title, i + 1);
    entry->setKey(r->key());
    if (!m_hideIcons) {
        setEntryImage(*entry, *r, look.icon);
    }
    if (std::optional<QVMenuItemList> children = QVMenuChildren::forRecord(*r, c, isShortcut, m_titles)) {
        r->setChildren(*children);
        for (const QVMenuItemPtr& child : std::as_const(*children)) {
            child->setParent(r);
        }
    }
    if (!r->children().isEmpty()) {
        entry->setSubmenu(submenu(r->children(), tagPair(i)));
    }
    platform::Menu* place = places.root;
    if (r->isFoldUp() && c.kind != platform::FIMenuKindToolbarItemMenu) {
        place = places.fold;
        places.foldUsed = true;
    }
    place->addItem(std::move(entry));
    if (r->haveSepLine() && !c.insideExtension) {
        place->addSeparator();
    }
}

std::unique_ptr<platform::Menu> QVMenuBuilder::submenu(const QVMenuItemList& children, const QString& parentTag) const
{
    if (children.isEmpty()) {
        return nullptr;
    }
    auto menu = std::make_unique<platform::Menu>();
    bool anyEntry = false;
    for (qsizetype j = 0; j < children.size(); ++j) {
        const QVMenuItemPtr& child = children[j];
        if (j >= kMaxEntries) {
            qCWarning(lcMenu).noquote() << "the submenu" << parentTag << "holds" << children.size()
                                        << "entries; only the first" << kMaxEntries << "can be shown";
            break;
        }
        if (child->disabled() || child->isAddToMainMenu()) {
            continue;
        }
        if (child->isSepLine()) {
            menu->addSeparator(m_titles.titleOf(*child));
            continue;
        }
        const QString tagString = parentTag + tagPair(j);
        auto entry = makeEntry(m_titles.titleOf(*child), tagString.toLongLong());
        entry->setKey(child->key());
        if (!m_hideSubmenuIcons) {
            setEntryImage(*entry, *child);
        }
        if (!child->children().isEmpty()) {
            entry->setSubmenu(submenu(child->children(), tagString));
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
