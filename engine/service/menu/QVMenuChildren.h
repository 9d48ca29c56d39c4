#pragma once

#include "engine/model/QVMenuItem.h"

#include <optional>

struct QVMenuContext;
class QVMenuTitles;

/// The children a menu build gives the entries whose submenus depend on the selection or on the
/// other stored lists, one function per kind of entry. Each answers new records (or records of
/// the sub-lists read afresh); the entries' own records are left as they are. Titles the
/// visibility filter gives the children go into the build's titles.
class QVMenuChildren final
{
public:
    /// The children of a top-level record, or nothing for a record without dynamic children.
    /// isShortcut: the record stands for "Add to Common Path" in this menu.
    static std::optional<QVMenuItemList> forRecord(const QVMenuItem& record, const QVMenuContext& context,
                                                   bool isShortcut, QVMenuTitles& titles);

    /// The digests "File Info" offers.
    static QVMenuItemList fileInfo();
    /// "UTF-8" for a text file, else the formats a picture converts to ("Merge to PDF" for
    /// several items).
    static QVMenuItemList convert(const QVMenuContext& context);
    /// Every entry "Convert to" may offer for a picture, in menu order; an entry's choice
    /// number is its position here, from 1.
    static const QStringList& convertCandidates();
    /// "Customize..." and the stored image sizes.
    static QVMenuItemList resizeImage();
    /// The common folders with their submenus, "Go Set" when there is none, and outside the
    /// extension "Add to Common Path" for a folder.
    static QVMenuItemList commonPath(const QVMenuContext& context);
    /// The scripts or applications that fit the selection, archive commands beneath the archive
    /// utility, common folders beneath scripts that ask for one.
    static QVMenuItemList commonList(bool scripts, const QVMenuContext& context, QVMenuTitles& titles);
    /// The archive utility's commands that fit the selection.
    static QVMenuItemList borella(bool pro, const QVMenuContext& context, QVMenuTitles& titles);
    /// The folder icons, "Recover Icon" first unless the selected folder has no custom icon.
    static QVMenuItemList folderIcon(const QVMenuContext& context);
    /// "Select Folder" and the common folders (with their sub-folders, except for terminals).
    static QVMenuItemList folderChoice(bool withSubfolders);
    /// The new-file templates ("New File From Window" only without a selection), and "Add to
    /// File Template" for one selected file.
    static QVMenuItemList newFile(const QVMenuContext& context);
};
