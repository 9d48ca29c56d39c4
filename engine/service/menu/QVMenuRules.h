#pragma once

#include "engine/model/QVMenuItem.h"
#include "platform/finder/FIFinderSyncController.h"

#include <QHash>
#include <QString>

#include <memory>
#include <utility>

class QVFile;

/// What one menu build knows about the selection: read once when the build starts, then only
/// read. first is never null (an empty QVFile when there is no first item).
struct QVMenuContext
{
    platform::FIMenuKind kind = platform::FIMenuKindContextualMenuForItems;
    bool hasSelection = false;
    /// The URLs are items the user selected, not the folder the menu was opened in.
    bool isSelectURL = false;
    bool insideExtension = false;
    qsizetype selectionCount = 0;
    std::shared_ptr<QVFile> first;
    QString ext;
    bool firstIsFolder = false;
    /// The switches a build reads: "Add to Common Path" and "Add to File Template" offered.
    bool offerAddToCommonPath = false;
    bool offerAddToFileTemplate = false;
    /// A selected path holds a name whose bytes are not UTF-8: no command but the garbled-name
    /// repair can name such an item exactly, so no other is offered.
    bool undecodableNames = false;
};

/// Titles one build gives records in place of their own menuTitle(), by record. The records are
/// kept alive with their titles, so an address is never reused for another record in a build.
class QVMenuTitles final
{
public:
    void set(const QVMenuItemPtr& item, const QString& title) { m_titles.insert(item.get(), { item, title }); }
    QString titleOf(const QVMenuItem& item) const
    {
        const auto it = m_titles.constFind(&item);
        return it == m_titles.cend() ? item.menuTitle() : it->second;
    }

private:
    QHash<const QVMenuItem*, std::pair<QVMenuItemPtr, QString>> m_titles;
};

/// The rules that decide which records of a menu are shown, as pure functions of the record and
/// the build's context (which includes the first item, read from the disk where a rule asks).
/// They never change a record: what an entry is titled and which image it shows is a separate
/// step (look(), visibilityTitle()) whose result goes into the menu entry.
class QVMenuRules final
{
public:
    /// Why a record is left out of the menu, or Shown. The skip tests run in this order and the
    /// first that applies decides; the visibility filter's own reasons sit where it runs.
    enum class Reason {
        Shown,
        UndecodableName, ///< a selected name is not UTF-8, and the record is not the garbled-name repair
        NeedsSelection, ///< nothing is selected and the record is not always shown
        HideAllOnSelectedItems, ///< "Hide All Files" is for a folder's background only
        NoCommonPathShortcut, ///< "Common Path" on selected items in the extension: not a folder, or switched off
        NotConvertible, ///< "Convert to"/"Resize Image" do not take the first item's extension
        FileInfoOnFolder, ///< "File Info" has nothing to say about a folder
        NothingToPaste, ///< "Cut Paste" on a background without cut paths
        ColorPickerOnSelectedItems, ///< "Color Picker" is offered only where nothing is selected
        FormatNotAccepted, ///< the record's formats leave out the first item's extension
        AlreadyOnDesktop, ///< "Send to Desktop Shortcut" on an item that lies on the Desktop
        GetInfoInExtension, ///< the file manager shows "Get Info" itself
        NotAPackage, ///< "Show Package Contents" on something that is not a package
        NotAVolume, ///< "Eject" outside the volumes
        NeedsSelectedFileAndFolder, ///< needs both a file and a folder, and the items are not selected
        NeedsFile, ///< needs a file, and the first item is a folder
        NeedsFolder, ///< needs a folder, and the first item is not one
        NoSelectionToFilter, ///< needs a file or folder, and nothing is selected
        ArchiveSelected, ///< an archive command on one selected archive
        NeedsSelectedItems, ///< needs selected items, and the menu is on a folder's background
        NoTextToCopy, ///< "Copy File Contents" on a file without readable, non-blank text
        PasteIntoSource, ///< pasting into the folder the cut items came from
        SystemFolder, ///< "Cut Paste" on a system folder
    };

    /// Whether the record gets an entry on the top level of the menu, and if not, why.
    static Reason topLevelReason(const QVMenuItem& item, const QVMenuContext& context);
    /// The visibility filter alone, as it decides for the entries of submenus.
    static Reason visibility(const QVMenuItem& item, const QVMenuContext& context);

    /// The top-level "Common Path" stands for "Add to Common Path" (on selected items in the
    /// extension; topLevelReason() leaves it out unless the first item is a folder).
    static bool isCommonPathShortcut(const QVMenuItem& item, const QVMenuContext& context);

    /// The title the visibility filter gives a record that needs a file or folder: the archive
    /// utility's preview and compression commands name what they work on. Null for any other.
    static QString visibilityTitle(const QVMenuItem& item, const QVMenuContext& context);

    /// A top-level entry's title and, when it differs from the record's own, its image name.
    struct Look
    {
        QString title;
        QString icon;
    };
    static Look look(const QVMenuItem& item, const QVMenuContext& context);
};
