#pragma once

#include "engine/model/QVMenuItem.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

/// File tools of the command engine (class operations): feedback sounds, and the builders of the
/// submenus beneath the common folders, namely what the "Common Path" entry lists under each
/// folder (its visible entries and/or the applications) and the sub-folders offered as targets
/// under "Copy to", "Move to", "Create Symlink to" and scripts that use "@rftocommonpath".
///
/// The submenu builders run while a menu is built, on the caller's thread: only one folder level
/// is read and at most maxSubpathCount() entries per folder are turned into records.
class QVHelper final
{
public:
    QVHelper() = delete;

    /// Feedback sound codes: 0 "ok", 1 "new", 2 "fold", 3 "copy", 4 "error", 5 "dingd"; any
    /// other code plays "copy".
    enum SoundType {
        SoundOk = 0,
        SoundNew = 1,
        SoundFold = 2,
        SoundCopy = 3,
        SoundError = 4,
        SoundDing = 5,
    };

    /// When the shared switch "pref check9" is on, plays the code's sound from the background
    /// queue (so sounds asked for in a row start in that order) and returns at once; when it is
    /// off, does nothing.
    static void playSoundType(int type);

    /// Answers true, after the error sound and an alert naming the folder, when a command that
    /// removes, moves or renames these items was given the root, the home folder, a system
    /// folder or a mount point (qv::isProtectedFolder): that would wreck the account or the
    /// system however the path was spelt, so the items are refused whole, before anything is
    /// asked or touched. `action` completes "Failed to %1". The refusal is noted as a failed
    /// command (QVCommandFailures).
    static bool refusesProtectedFolders(const QStringList& paths, const QString& action);

    /// Answers whether the process may use a folder without asking; the default is the silent
    /// test of the folder-access grants.
    using PermitCheck = std::function<bool(const QString& path)>;
    /// Replaces the access test (an empty function restores the default).
    static void setPermitCheck(PermitCheck check);
    static bool checkPermitWithPath(const QString& path);

    /// A record made on the fly that carries only a key and, when given, an image name.
    static QVMenuItemPtr markerItem(const QString& key, const QString& icon = QString());

    /// "common subpath maxcount", or 5 when it is not a positive number.
    static qint64 maxSubpathCount();
    /// The children of one common folder under "Common Path", by the mode
    /// "common path next menu": 2 applications, 3 the folder's listing, 4 both, else nothing;
    /// "Show in Finder" first when anything is listed; only "To Authorize" without access.
    static QVMenuItemList commomPathNextMenuWithPath(const QString& path);
    /// Gives each common folder of the list commomPathNextMenuWithPath() as its children, with
    /// the settings and the application list read once for all of them.
    static void setCommonPathNextMenus(const QVMenuItemList& folders);
    /// One folder's visible entries, shortest extension first, at most maxCount of them followed
    /// by "More Files" once maxCount are listed; nothing when the level is above 3 or the path
    /// is not a folder.
    static std::optional<QVMenuItemList> _nextTypeSubMenuWithPath(const QString& path, qint64 maxCount, int level);
    /// The main menu's application entries, then the common applications that do not need a
    /// file alone.
    static QVMenuItemList _nextTypeAppMenu();
    /// The children of one common folder under the copy and move targets: "Current Directory",
    /// up to maxSubpathCount() visible sub-folders in the file system's order, "Other Folder",
    /// and a tip when the list was cut.
    static QVMenuItemList commomPathChildFolderItemWithPath(const QString& path);
    /// Gives each common folder of the list commomPathChildFolderItemWithPath() as its children,
    /// with the settings read once for all of them.
    static void setCommonPathChildFolderItems(const QVMenuItemList& folders);

    /// Writes an alias of the target at the alias address (this desktop's alias is a symbolic
    /// link to the target's absolute path). Never replaces anything: false when something is
    /// already there, the target is missing or the alias could not be written.
    static bool createBookmarkAtURL(const QUrl& aliasUrl, const QUrl& forTargetAtURL);

    // --- Picture files (engine/service/images/QVHelperImages.cpp) ---------------------------

    /// The pages of the PDF files and one page per picture, in order, as one PDF beside the
    /// first file that contributes (its name with ".pdf", or the localised "Untitled.pdf" for
    /// two or more pages), under a free name. The path written; null when nothing was. Each file
    /// left out (neither a PDF nor a readable picture) adds why to *skipped.
    static QString mergeToPDF(const QList<QUrl>& urls, QStringList* skipped = nullptr);
    /// (total, done) after each page or frame; (0, 0) for a file that cannot be read.
    using ExtractProgress = std::function<void(qint64 total, qint64 done)>;
    /// Each page saved as "<n>.<ext>" in a new folder named after the PDF. False when a page
    /// could not be written.
    static bool extractImageFromPDF(const QUrl& url, const QString& ext, const ExtractProgress& progress);
    /// Each frame of the GIF saved as "<n>.<ext>" in a new folder named after it.
    static bool extractImageFromGif(const QUrl& url, const QString& ext, const ExtractProgress& progress);
    /// The picture at the source written as HEIC (libheif) to the destination.
    static bool saveHeicPath(const QString& source, const QString& destination);
    /// Every frame scaled to the size, each keeping its delay; false when nothing was written.
    static bool resizeGif(const QUrl& url, const QString& path, const QSize& size);
    /// The image drawn at the whole-pixel size; null for an empty size or image.
    static QImage resizeCGImage(const QImage& image, const QSize& size);
};
