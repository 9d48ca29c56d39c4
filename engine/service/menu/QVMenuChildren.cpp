#include "engine/service/menu/QVMenuChildren.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "engine/service/menu/QVMenuRules.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"

namespace {

QVMenuItemPtr record(const QString& key, const QString& icon = QString())
{
    return QVHelper::markerItem(key, icon);
}

QVMenuItemList selectFolderFirst(QVMenuItemList list)
{
    list.prepend(record(QStringLiteral("Select Folder"), QStringLiteral("choose")));
    return list;
}

// The records that pass the visibility filter, with the titles it gives them.
QVMenuItemList visible(const QVMenuItemList& records, const QVMenuContext& context, QVMenuTitles& titles)
{
    QVMenuItemList shown;
    for (const QVMenuItemPtr& item : records) {
        if (QVMenuRules::visibility(*item, context) != QVMenuRules::Reason::Shown) {
            continue;
        }
        if (const QString title = QVMenuRules::visibilityTitle(*item, context); !title.isNull()) {
            titles.set(item, title);
        }
        shown << item;
    }
    return shown;
}

} // namespace

const QStringList& QVMenuChildren::convertCandidates()
{
    static const QStringList list = {
        QStringLiteral("AppIcon.icns"),
        QStringLiteral("OSX AppIconset"),
        QStringLiteral("iOS AppIconset"),
        QStringLiteral("iWatch AppIconset"),
        QStringLiteral("Android AppIconset"),
        QStringLiteral("PNG"),
        QStringLiteral("JPEG"),
        QStringLiteral("JPG"),
        QStringLiteral("JP2"),
        QStringLiteral("TIFF"),
        QStringLiteral("BMP"),
        QStringLiteral("GIF"),
        QStringLiteral("HEIC"),
        QStringLiteral("PDF"),
    };
    return list;
}

std::optional<QVMenuItemList> QVMenuChildren::forRecord(const QVMenuItem& r, const QVMenuContext& context,
                                                        bool isShortcut, QVMenuTitles& titles)
{
    // The entries that choose a folder, and "New File", get these children whatever else the
    // record is.
    if (r.isMove() || r.isCopy() || r.isSymlinkTo() || r.isTerminalTo() || r.isToCommomPathScript()) {
        return folderChoice(!r.isTerminalTo());
    }
    if (r.isNewFile()) {
        return newFile(context);
    }
    if (r.isFileInfo()) {
        return fileInfo();
    }
    if (r.isConvert()) {
        return convert(context);
    }
    if (r.isResizeImage()) {
        return resizeImage();
    }
    if (r.isCommonPath() && !isShortcut) {
        return commonPath(context);
    }
    if (r.isCommonScript() || r.isCommonApp()) {
        return commonList(r.isCommonScript(), context, titles);
    }
    if (!qv::isValid(r.appCmd()) && (r.isBorella() || r.isBorellaPro())) {
        return borella(r.isBorellaPro(), context, titles);
    }
    if (r.isFolderIcon()) {
        return folderIcon(context);
    }
    return std::nullopt;
}

QVMenuItemList QVMenuChildren::fileInfo()
{
    QVMenuItemList children;
    for (const char* key : { "All Info", "MD5", "SHA1", "SHA256", "SHA512", "CRC32" }) {
        children << record(QLatin1String(key));
    }
    return children;
}

QVMenuItemList QVMenuChildren::convert(const QVMenuContext& context)
{
    if (context.ext == QLatin1String("txt")) {
        return { record(QStringLiteral("UTF-8")) };
    }
    QVMenuItemList children;
    const QString upperExt = context.ext.toUpper();
    for (const QString& candidate : convertCandidates()) {
        const bool isPdf = candidate == QLatin1String("PDF");
        // An empty extension is contained in every text, so it must not rule anything out.
        const bool offered = upperExt.isEmpty() || !candidate.contains(upperExt);
        if (isPdf && context.selectionCount > 1) {
            auto merge = record(candidate);
            merge->setDisplayName(qv::localized("Merge to PDF"));
            children << merge;
        } else if (offered) {
            children << record(candidate);
        }
    }
    return children;
}

QVMenuItemList QVMenuChildren::resizeImage()
{
    QVMenuItemList children { record(QStringLiteral("Customize...")) };
    for (const QVariant& value : QVMenuManager::sharedDefaults().arrayValue(QVMenuManager::kArrayImageSize)) {
        const QVariantMap size = value.toMap();
        auto item = record(size.value(QStringLiteral("displayName")).toString());
        item->setDisplayName(size.value(QStringLiteral("displayName")).toString());
        item->setInfo(size);
        children << item;
    }
    return children;
}

QVMenuItemList QVMenuChildren::commonPath(const QVMenuContext& context)
{
    QVMenuItemList children = QVMenuManager::commonPathMenuArray();
    QVHelper::setCommonPathNextMenus(children);
    if (children.isEmpty()) {
        children << QVMenuItem::setItem();
    }
    if (!context.insideExtension && context.firstIsFolder && context.offerAddToCommonPath) {
        auto add = record(QStringLiteral("Add to Common Path"), QStringLiteral("add"));
        add->setIsCommonPathShortcutAdd(true);
        children << add;
    }
    return children;
}

QVMenuItemList QVMenuChildren::commonList(bool scripts, const QVMenuContext& context, QVMenuTitles& titles)
{
    const QVMenuItemList children = visible(
        scripts ? QVMenuManager::commonScriptMenuArray() : QVMenuManager::commonAppMenuArray(), context, titles);
    for (const QVMenuItemPtr& child : children) {
        if (child->isBorella() || child->isBorellaPro()) {
            child->setChildren(borella(child->isBorellaPro(), context, titles));
        }
        if (scripts && child->isToCommomPathScript()) {
            child->setChildren(selectFolderFirst(QVMenuManager::commonPathMenuArray()));
        }
    }
    return children;
}

QVMenuItemList QVMenuChildren::borella(bool pro, const QVMenuContext& context, QVMenuTitles& titles)
{
    return visible(QVMenuManager::borellaMenuArray(pro), context, titles);
}

QVMenuItemList QVMenuChildren::folderIcon(const QVMenuContext& context)
{
    QVMenuItemList children = QVMenuManager::folderIconMenuArray();
    const bool plainFolder = !qv::hasCustomIcon(context.first->path()) && context.firstIsFolder && context.isSelectURL;
    if (!plainFolder) {
        auto recover = record(QStringLiteral("Recover Icon"), QStringLiteral("recover"));
        recover->setDisplayName(qv::localized("Recover"));
        children.prepend(recover);
    }
    return children;
}

QVMenuItemList QVMenuChildren::folderChoice(bool withSubfolders)
{
    QVMenuItemList children = QVMenuManager::commonPathMenuArray();
    if (withSubfolders) {
        QVHelper::setCommonPathChildFolderItems(children);
    }
    return selectFolderFirst(children);
}

QVMenuItemList QVMenuChildren::newFile(const QVMenuContext& context)
{
    QVMenuItemList children;
    for (const QVMenuItemPtr& tpl : QVMenuManager::newFileTemplateMenuArray(false)) {
        if (tpl->isNewFileFromWindow() || context.hasSelection) {
            children << tpl;
        }
    }
    if (context.isSelectURL && context.selectionCount == 1 && !context.firstIsFolder
        && context.offerAddToFileTemplate) {
        children << QVMenuItem::addToFileTemplate();
    }
    return children;
}
