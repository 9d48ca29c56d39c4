#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVFileTransfer.h"
#include "engine/service/QVProgressHooks.h"
#include "platform/Menu.h"
#include "platform/finder/FIFinderSyncController.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QVFile;
struct QVActionRequest;
struct QVActionRow;
struct QVCommandFamilies;

/// The command engine of one process: its view of the selection, and the context menu it builds
/// for that selection from the stored lists.
///
/// Every entry of a built menu carries a tag that encodes its position: the index of its record
/// in rightMenuArray() plus one, followed by two decimal digits per submenu level (the child's
/// index plus one), so at most 99 entries per level are ever shown. A chosen entry comes back as
/// that tag through onMenuItemAction(), which is only meaningful for the menu built last.
///
/// Inside the file-manager extension the engine is owned by the extension's principal object,
/// which is the target of the menu entries, and reads the selection afresh for every menu;
/// inside the application the caller sets the selection before it asks for a menu.
///
/// A chosen entry runs the command that the action table (QVActionTable) picks for it; each
/// family of commands is a class of its own under engine/service/<family>/ that sees the engine
/// only as its QVCommandContext. The commands stay callable here under their own names.
class QVMenuService : public platform::MenuTarget, private QVCommandContext
{
public:
    /// The most entries one menu level can hold: a tag keeps two decimal digits per level.
    static constexpr qsizetype kMaxEntriesPerLevel = 99;
    /// The largest file whose text "Copy File Contents" offers to copy.
    static constexpr qint64 kMaxCopyContentsSize = 16 * 1024 * 1024;

    /// delegate: the target of the menu entries (the extension's principal object), or null for
    /// the engine itself. Clears the pending cut paths unless "pref check5" is on.
    explicit QVMenuService(platform::MenuTarget* delegate = nullptr);
    ~QVMenuService() override;
    Q_DISABLE_COPY_MOVE(QVMenuService)

    bool isFinderSync() const { return m_isFinderSync; }
    void setIsFinderSync(bool v) { m_isFinderSync = v; }
    /// The URLs are items the user selected (not the folder the menu was opened in).
    bool isSelectURL() const override { return m_isSelectURL; }
    void setIsSelectURL(bool v) { m_isSelectURL = v; }
    bool isOpenFromMainApp() const override { return m_isOpenFromMainApp; }
    void setIsOpenFromMainApp(bool v) { m_isOpenFromMainApp = v; }
    platform::MenuTarget* delegate() const { return m_delegate; }
    /// The main list as built for the last menu; a top-level tag indexes it.
    const QVMenuItemList& rightMenuArray() const { return m_rightMenuArray; }
    qint64 loadingCount() const override { return m_loadingCount; }
    void setLoadingCount(qint64 v) override { m_loadingCount = v; }

    /// The folder the file manager reports as targeted.
    QUrl targetURL() const;
    /// The items commands work on: the cached list when it is not empty, else the file
    /// manager's selection, else its targeted folder; "/" is always removed.
    QList<QUrl> selectURLs() override;
    void setSelectURLs(const QList<QUrl>& urls) { m_selectURLs = urls; }
    QStringList selectPaths() override;
    bool isSelectSingleURL();

    /// The finished menu for a request of that kind.
    std::shared_ptr<platform::Menu> menuForMenuKind(platform::FIMenuKind kind);
    /// The submenu of one entry, tags continuing the parent tag; null for no children or when
    /// none of them is shown.
    std::unique_ptr<platform::Menu> getSubMenuWithChildren(const QVMenuItemList& children, const QString& parentTag);

    /// Passes the chosen entry's tag on to handlerMenuTag().
    void onMenuItemAction(const platform::MenuItem& item) override;
    /// Decodes the tag of an entry of the menu built last and reports the chosen record; the menu
    /// is spent afterwards.
    void handlerMenuTag(qint64 tag);
    /// The record a tag of the menu built last stands for: the top record, then one child per
    /// further pair of digits; null for the fold entry or a tag that fits no record.
    QVMenuItemPtr itemForTag(qint64 tag) const;

    /// Receives every decoded choice (tag, record or null for the fold entry).
    using ChoiceObserver = std::function<void(qint64 tag, const QVMenuItemPtr& item)>;
    void setChoiceObserver(ChoiceObserver observer) { m_choiceObserver = std::move(observer); }

    // --- Dispatch of a chosen entry ---------------------------------------------------------

    /// The tag cut into two-digit groups, left to right ("0" put in front of an odd length).
    static QStringList tagGroups(qint64 tag);
    /// The record a tag stands for inside that menu list; null when any index fits no entry.
    static QVMenuItemPtr itemForTag(qint64 tag, const QVMenuItemList& menu);
    /// Runs the command the action table picks for the top record and the child indexes
    /// ("01".."99", 1-based) that follow it; indexes that fit no entry run nothing.
    void readyStart(const QVMenuItemPtr& item, QStringList withIndexes);
    /// Runs a command the application was handed by the app command URL, on the selection set
    /// before: the stored main-list record of that key (a bare record when the list has none)
    /// through the action table's row for handed-over commands. Counts no use (the sender
    /// counted it). False when no row runs the key here.
    bool runHandedOverCommand(const QString& key);
    /// Counts one use of the record's outermost owner under "use count detail", folding in a
    /// plain integer count that earlier versions kept under the entry's own key, and schedules
    /// the review prompt on every 60th use (3, 63, 123, ...) until a review was given.
    void useSuccess(const QVMenuItemPtr& record);
    /// Opens the product's review page, then records in the shared defaults ("is reviewed"),
    /// where the usage counter reads it, that the review prompt has been answered for good.
    static void goReview();
    /// Commands that the extension hands to the application instead of running them in place.
    static bool canUseMainApp();

    /// Replaces the folder-access check made before a command runs on the selection (tests); the
    /// command runs from the success block, nothing runs on failure. Without one the folder
    /// access front (QVCheckPermit) decides.
    using PermitCheck
        = std::function<void(const QString& folder, std::function<void()> success, std::function<void()> failure)>;
    static void setPermitCheck(PermitCheck check);

    /// Work a command left behind that the process must live for (a delayed prompt, a tool
    /// window, a heads-up message): counted up when it starts and down when it has finished.
    static void beginPendingWork();
    static void endPendingWork();
    static int pendingWork();

    // --- Open-with, services and hand-offs ---------------------------------------------------

    /// Opens the path, or each selected item (stopping at the first failure), with the record's
    /// application; terminals open at the item's folder. False when an item could not be opened.
    bool openWithApp(const QVMenuItemPtr& item, const QString& withPath);
    /// Hands the selection to the archive utility by its own address.
    void openBorellaWithItem(const QVMenuItemPtr& item);
    /// Runs the desktop service on the path, else the selection, else the Desktop folder.
    void openServe(const QString& serve, const QString& withPath);
    /// The app command method for a record handed to the application; None for any other.
    static qint64 mainAppMethodForItem(const QVMenuItem& item);
    /// Hands the command to the application by the app command URL.
    void openFromMainApp(const QVMenuItemPtr& item);
    /// The settings page that edits the record's list ("general" for none).
    static QString settingsPageForItem(const QVMenuItemPtr& item);
    /// Opens the application on the settings page of the record's list.
    void openMainTabViewWithItem(const QVMenuItemPtr& item);
    /// Reports that something could not be opened: the store page of the maker's own products,
    /// else the "Open Error Tip" alert (detail, when given, says why). Either way the failure is
    /// noted for failedHandOffs().
    void openFailWithItem(const QVMenuItemPtr& item, const QString& detail = QString());
    /// Opens the user's terminal at each folder of the path, else the selection, else the
    /// Desktop (a tab where the terminal has tabs); the "No Terminal Tip" alert when this
    /// desktop has no terminal program.
    void openTerminalAt(const QString& withPath, bool newTab);
    /// The hand-offs of this process that reached nothing: an application, terminal, service or
    /// the application itself that could not be started or handed the command, oldest first.
    /// The file-manager host turns them into its exit status.
    static QStringList failedHandOffs();
    /// Every failure of this process the host turns into its exit status: the failed hand-offs
    /// and the commands that failed or refused a selected item.
    static QStringList failedCommands();
    static void noteFailedHandOff(const QString& message);

    // --- Common paths and aliases ------------------------------------------------------------
    /// Opens a common folder, or what the chosen entry beneath it names: a desktop service or an
    /// application run on the folder, or a listed entry's own path. A missing folder plays the
    /// error sound and shows "Common Path Not Exist Tip"; an open that fails asks for full disk
    /// access.
    void openCommonPath(const QString& path, const QVMenuItemPtr& withItem);
    /// Appends every selected folder to "array common path" (files are left out; a folder may be
    /// listed twice) on the background queue, then reports success on the main thread.
    void addToCommonPath();
    /// Makes an alias of each selected item in the folder, under a free name; each item plays
    /// its own sound, and with "pref check22" on an alias outside the Desktop is revealed.
    void _createSymlinkTo(const QString& folder);
    /// _createSymlinkTo() with the user's Desktop folder.
    void sendToDesktopShortcut();
    /// The folder the entry chosen under "Copy to", "Move to", "Create Symlink to", "Terminal To",
    /// "iTerm2 To" or a script that uses "@rftocommonpath" stands for (item1 a common path or
    /// "Select Folder", item2 and item3 entries beneath it, null when not given), asking with the
    /// folder chooser for "Other Folder", "Select Folder" and folders that are not there. Only
    /// chooses: the action table's row of the top entry acts on the folder. Null when no folder
    /// was chosen.
    QString toCommonPathWithItem(const QVMenuItemPtr& top, const QVMenuItemPtr& item1, const QVMenuItemPtr& item2,
                                 const QVMenuItemPtr& item3);

    // --- File and folder commands, copy, move, cut and paste --------------------------------
    /// Puts the selected paths (or only their names), one a line, on the pasteboard; only the
    /// final newline is left out, so names with blanks at either end are copied as they are.
    void copyPathWithOnlyName(bool onlyName);
    /// Removes every selected item permanently, after "Delete Tip" when "pref check0" is on.
    void deletePath();
    /// Moves every selected item to the desktop's Trash.
    void moveToTrash();
    /// Reveals the first entry (by name) of each selected package or folder.
    void showPackageContents(const QVMenuItemPtr& item = {});
    /// Unmounts and ejects each selected volume on the background queue.
    void ejectVolumes(const QVMenuItemPtr& item = {});
    /// Copies the UTF-8 text of the first selected file.
    void copyFileContents();
    /// The text of a regular file of at most kMaxCopyContentsSize bytes that holds valid UTF-8
    /// (empty for an empty file); null for anything else.
    static QString copyableText(const QString& path);
    /// Hides ("Hide ...") or shows ("Unhide ...") the selected items; with the menu opened on a
    /// folder's background, every entry of that folder whose name does not begin with ".".
    void hideAndShowFiles(const QVMenuItemPtr& item);
    /// Locks every selected item, or unlocks every one when the first is locked (as the menu
    /// titles the entry).
    void lockUnlockFiles(const QVMenuItemPtr& item);
    /// Lets the user show or hide the system's hidden files: the item's command, filled with
    /// "true" or "false", is copied (never run) and a terminal opens at the Desktop to paste it.
    void showSystemFiles(const QVMenuItemPtr& item);
    /// Asks the file manager to show the properties of the selected items.
    void getInfo(const QVMenuItemPtr& item = {});
    /// Whether a file manager can take a request now; "Please select Finder first" when not.
    bool _canSimuFinderShortcut();
    /// Sets the item's image as the custom icon of each selected item (of items chosen in a
    /// panel when the menu was opened on a folder's background); "Recover Icon", or an image
    /// that cannot be loaded, only removes the custom icons.
    void setFolderIcon(const QVMenuItemPtr& item);
    /// The name conflict rule (see QVFileTransfer::replaceFileAlert).
    static bool _replaceFileAlert(const QString& target, const QString& orgPath, const QVFileTransfer::Block& block);
    /// Copies or moves the selected items into the folder behind the progress window.
    void _moveAndCopyToPath(const QString& folder, bool isCopy);
    /// "Cut Paste" remembers the selection; "Paste" moves the remembered items into the first
    /// selected folder.
    void cutPasteItem(const QVMenuItemPtr& item);
    /// The command running now (copy, move or paste), null when none was started.
    std::shared_ptr<QVFileTransfer> lastTransfer() const;

    // --- File info, text and names ----------------------------------------------------------
    /// One digest of the first selected file (the item's tag: 1 MD5 ... 5 CRC32) in an alert, or
    /// the file hash window on the selection (any other tag).
    void copyfileInfo(const QVMenuItemPtr& item);
    /// The garbled-name window on the selection; the tool windows close when it has renamed.
    void fixingGarbledNames();
    /// Writes each selected text file again as UTF-8 beside itself (app command method 15).
    void convertTextToUTF8();

    // --- User scripts ------------------------------------------------------------------------
    /// Expands the script entry's placeholders for the selection and runs it (see
    /// QVScriptCommands); commonPath is the folder for "@rftocommonpath".
    void executeScript(const QVMenuItemPtr& item, const QString& commonPath = QString());
    /// "Execute Script": runs the selected ".sh" and ".scpt" files.
    void executeScript();

    // --- Compression ---------------------------------------------------------------------
    /// Compresses the selected items into a zip archive chosen in a save panel, with the
    /// panel's password, behind the progress window (see QVCompressCommands).
    void encryptedCompress();

    // --- New files, embed, unembed and new folder ------------------------------------------
    /// Makes a new file from a new-file entry (see QVNewFileCommands).
    void createFileWithItem(const QVMenuItemPtr& item);
    /// Puts the selected items into a new folder beside them, asking for its name for two or more.
    void embedFolder();
    /// Moves each selected folder's contents up into its parent.
    void unembedFolder();
    /// Asks for a name and makes a new folder.
    void createFolder();

    /// The progress window's part in a command (see QVProgressHooks).
    using ProgressHooks = QVProgressHooks;
    void setProgressHooks(ProgressHooks hooks) { m_progress = std::move(hooks); }

private:
    const QVProgressHooks& progressHooks() const override { return m_progress; }
    /// Obtains folder access through the check installed with setPermitCheck(), else
    /// QVCheckPermit; one block runs before it returns.
    void checkFolderAccess(const QString& folder, const std::function<void()>& success,
                           const std::function<void()>& failure) override;
    /// The command families, made on the first command. Deleted where their type is known, so
    /// that this header needs none of theirs.
    struct CommandsDeleter
    {
        void operator()(QVCommandFamilies* commands) const;
    };
    QVCommandFamilies& commands();
    /// What the menu entries' action is sent to: the delegate inside the extension, else the
    /// engine. The menu itself is built by QVMenuBuilder.
    platform::MenuTarget* entryTarget() const;

    /// Decodes the tag, builds the request with the selection read and checked once, and runs
    /// the action table's row for it after folder access was obtained.
    void decodeMenuTag(qint64 tag);
    /// Logs the chosen entry and tells the choice observer.
    void reportChoice(qint64 tag, const QVMenuItemList& menu);
    /// The selected paths the record's command may run on; none when a selected name is not
    /// valid UTF-8 and the record is not the command that repairs such names.
    std::optional<QStringList> checkedPaths(qint64 tag, const QVMenuItem& record);
    /// Runs the row for the request (nothing for no row) and counts the use it reports.
    void runRequest(const QVActionRow* row, const std::optional<QVActionRequest>& request);
    /// The "Tip" alert asking for a review: "Go Review" asks for it, "Next Time" closes.
    static void showReviewPrompt();
    /// Shows the review prompt once no other work of a command is pending.
    static void showReviewPromptAfterCommands();

    platform::MenuTarget* m_delegate = nullptr;
    bool m_isFinderSync = false;
    bool m_isSelectURL = false;
    bool m_isOpenFromMainApp = false;
    qint64 m_loadingCount = 0;
    QList<QUrl> m_selectURLs;
    QList<QUrl> m_selectPathsOf; ///< the list m_selectPaths was made from
    QStringList m_selectPaths;
    QVMenuItemList m_rightMenuArray;
    ChoiceObserver m_choiceObserver;
    ProgressHooks m_progress;
    std::unique_ptr<QVCommandFamilies, CommandsDeleter> m_commands;
};
