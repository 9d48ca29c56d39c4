#include "engine/service/menu/QVMenuRules.h"

#include "engine/service/QVMenuService.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"

#include <QFileInfo>
#include <QStringList>

namespace {

using Reason = QVMenuRules::Reason;
using Test = Reason (*)(const QVMenuItem&, const QVMenuContext&);

const QStringList& archiveExtensions()
{
    static const QStringList list
        = QStringLiteral("rar,zip,z01,001,zipx,7z,gz,gzip,tgz,bz2,bzip2,bz,xz,tbz2,tbz,tar,exe")
              .split(QLatin1Char(','));
    return list;
}

// The archive utility's commands by number: 2 previews, 3 compresses to a zip, 4 compresses with
// the user's choices.
enum ArchiveCommand { kPreview = 2, kCompressToZip = 3, kCustomCompression = 4 };

Reason nameDecodable(const QVMenuItem& r, const QVMenuContext& c)
{
    return c.undecodableNames && !r.isFixingGarbledNames() ? Reason::UndecodableName : Reason::Shown;
}

Reason selectionNeeded(const QVMenuItem& r, const QVMenuContext& c)
{
    if (!c.hasSelection && !r.isNotNeedURL()) {
        return Reason::NeedsSelection;
    }
    return c.isSelectURL && r.isHideAllFiles() ? Reason::HideAllOnSelectedItems : Reason::Shown;
}

Reason commonPathShortcutWanted(const QVMenuItem& r, const QVMenuContext& c)
{
    const bool wanted = c.firstIsFolder && c.offerAddToCommonPath;
    return QVMenuRules::isCommonPathShortcut(r, c) && !wanted ? Reason::NoCommonPathShortcut : Reason::Shown;
}

Reason convertibleExtension(const QVMenuItem& r, const QVMenuContext& c)
{
    return (r.isConvert() || r.isResizeImage()) && !r.formats().contains(c.ext) ? Reason::NotConvertible
                                                                                : Reason::Shown;
}

Reason fileInfoOnFile(const QVMenuItem& r, const QVMenuContext& c)
{
    return r.isFileInfo() && c.firstIsFolder ? Reason::FileInfoOnFolder : Reason::Shown;
}

Reason somethingToPaste(const QVMenuItem& r, const QVMenuContext& c)
{
    return r.isCutPaste() && !c.isSelectURL && r.cutPaths().isEmpty() ? Reason::NothingToPaste : Reason::Shown;
}

Reason colorPickerOnBackground(const QVMenuItem& r, const QVMenuContext& c)
{
    return r.isColorPicker() && c.isSelectURL ? Reason::ColorPickerOnSelectedItems : Reason::Shown;
}

Reason acceptedFormat(const QVMenuItem& r, const QVMenuContext& c)
{
    return !r.formats().isEmpty() && !r.formats().contains(c.ext) ? Reason::FormatNotAccepted : Reason::Shown;
}

Reason notOnDesktop(const QVMenuItem& r, const QVMenuContext& c)
{
    const QVFile& first = *c.first;
    return r.isSendToDesktopShortcut() && qv::isValid(first.path()) && qv::isDesktop(first.folder())
        ? Reason::AlreadyOnDesktop
        : Reason::Shown;
}

// Kept as one test in the order the checks short-circuit: the package and volume checks read
// the disk, and the filter only runs when they pass.
Reason fitsTheItem(const QVMenuItem& r, const QVMenuContext& c)
{
    const QVFile& first = *c.first;
    if (r.isGetInfo() && c.insideExtension) {
        return Reason::GetInfoInExtension;
    }
    if (r.isShowPackageContents() && !first.isPackage()) {
        return Reason::NotAPackage;
    }
    if (r.isEject() && !first.isVolumes()) {
        return Reason::NotAVolume;
    }
    if (const Reason filtered = QVMenuRules::visibility(r, c); filtered != Reason::Shown) {
        return filtered;
    }
    return r.isNeedSelectURL() && !c.isSelectURL ? Reason::NeedsSelectedItems : Reason::Shown;
}

Reason copyableContents(const QVMenuItem& r, const QVMenuContext& c)
{
    return r.isCopyFileContents() && qv::isBlank(QVMenuService::copyableText(c.first->path())) ? Reason::NoTextToCopy
                                                                                               : Reason::Shown;
}

Reason pasteOutsideSource(const QVMenuItem& r, const QVMenuContext& c)
{
    const bool pasting = (r.isCutPaste() && !r.cutPaths().isEmpty() && c.firstIsFolder) || r.isPaste();
    if (pasting && !r.cutPaths().isEmpty() && c.first->path() == QFileInfo(r.cutPaths().first()).path()) {
        return Reason::PasteIntoSource;
    }
    return Reason::Shown;
}

Reason cutOutsideSystemFolder(const QVMenuItem& r, const QVMenuContext& c)
{
    return r.isCutPaste() && qv::isSystemFolder(c.first->path()) ? Reason::SystemFolder : Reason::Shown;
}

constexpr Test kTopLevelTests[] = {
    &nameDecodable,    &selectionNeeded,         &commonPathShortcutWanted, &convertibleExtension, &fileInfoOnFile,
    &somethingToPaste, &colorPickerOnBackground, &acceptedFormat,           &notOnDesktop,         &fitsTheItem,
    &copyableContents, &pasteOutsideSource,      &cutOutsideSystemFolder,
};

} // namespace

QVMenuRules::Reason QVMenuRules::topLevelReason(const QVMenuItem& item, const QVMenuContext& context)
{
    for (const Test test : kTopLevelTests) {
        if (const Reason reason = test(item, context); reason != Reason::Shown) {
            return reason;
        }
    }
    return Reason::Shown;
}

QVMenuRules::Reason QVMenuRules::visibility(const QVMenuItem& r, const QVMenuContext& c)
{
    const bool file = r.isNeedFile();
    const bool folder = r.isNeedFolder();
    if (!file && !folder) {
        return Reason::Shown;
    }
    if (file && folder && !c.isSelectURL) {
        return Reason::NeedsSelectedFileAndFolder;
    }
    if (file && !folder && c.firstIsFolder) {
        return Reason::NeedsFile;
    }
    if (folder && !file && !c.firstIsFolder) {
        return Reason::NeedsFolder;
    }
    if (!c.hasSelection) {
        return Reason::NoSelectionToFilter;
    }
    if (!r.formats().isEmpty() && !r.formats().contains(c.ext)) {
        return Reason::FormatNotAccepted;
    }
    const int command = r.appCmd().toInt();
    if ((command == kCompressToZip || command == kCustomCompression) && c.selectionCount == 1
        && archiveExtensions().contains(c.ext)) {
        return Reason::ArchiveSelected;
    }
    return Reason::Shown;
}

bool QVMenuRules::isCommonPathShortcut(const QVMenuItem& item, const QVMenuContext& context)
{
    return item.isCommonPath() && context.isSelectURL && context.insideExtension;
}

QString QVMenuRules::visibilityTitle(const QVMenuItem& r, const QVMenuContext& c)
{
    if (!r.isNeedFile() && !r.isNeedFolder()) {
        return {};
    }
    const QVFile& first = *c.first;
    const qsizetype s = c.selectionCount;
    switch (r.appCmd().toInt()) {
    case kPreview:
        return s <= 1 ? qv::localized("Preview ") + QLatin1Char('"') + first.filename() + QLatin1Char('"')
                      : qv::localized("Preview All");
    case kCompressToZip: {
        const QString name = s > 1 ? qv::localized("Archiver") : first.name();
        return qv::localized("Compressed to ") + QLatin1Char('"') + name + QStringLiteral(".zip\"");
    }
    default:
        return {};
    }
}

QVMenuRules::Look QVMenuRules::look(const QVMenuItem& r, const QVMenuContext& c)
{
    if (r.isCutPaste()) {
        return { qv::localized("Cut"), QStringLiteral("cut") };
    }
    if (r.isLockUnlock()) {
        const bool locked = qv::isLocked(c.first->path());
        return { qv::localized(locked ? "Unlock" : "Lock"),
                 locked ? QStringLiteral("unlock") : QStringLiteral("lock") };
    }
    if (const QString title = visibilityTitle(r, c); !title.isNull()) {
        return { title, {} };
    }
    if (isCommonPathShortcut(r, c)) {
        return { qv::localized("Add to Common Path"), {} };
    }
    return { r.menuTitle(), {} };
}
