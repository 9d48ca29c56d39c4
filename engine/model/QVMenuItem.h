#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class QVMenuItem;
using QVMenuItemPtr = std::shared_ptr<QVMenuItem>;
using QVMenuItemList = QList<QVMenuItemPtr>;

/// One entry of a menu list in memory: a built-in command of the main context menu, a new-file
/// template, an application, a common folder, a user script, a folder icon, an archive-utility
/// command, or an entry the menu builder makes on the fly.
///
/// The stored form is a dictionary inside a stored menu list; QVMenuManager's builders fill a
/// record from it. The record has no behaviour beyond its derived title (menuTitle), its derived
/// image (menuIcon) and predicates on its key. Two records are the same entry when their keys are
/// equal. Records are shared (QVMenuItemPtr); a child refers to its parent weakly.
class QVMenuItem final
{
public:
    QVMenuItem() = default;
    Q_DISABLE_COPY_MOVE(QVMenuItem)

    static QVMenuItemPtr create() { return std::make_shared<QVMenuItem>(); }

    /// The "Go Set" entry that opens the settings window.
    static QVMenuItemPtr setItem();
    /// A separator entry.
    static QVMenuItemPtr sepLineItem();
    /// The "Add to File Template" entry of the New File submenu.
    static QVMenuItemPtr addToFileTemplate();

    // Stored and derived fields.
    QString key() const { return m_key; }
    void setKey(const QString& v) { m_key = v; }
    /// System service a terminal entry runs (set by the main-list builder, never stored).
    QString serve() const { return m_serve; }
    void setServe(const QString& v) { m_serve = v; }
    /// Name of an image among the application's resources.
    QString icon() const { return m_icon; }
    void setIcon(const QString& v) { m_icon = v; }
    /// Path of an image file in the shared folder.
    QString iconPath() const { return m_iconPath; }
    void setIconPath(const QString& v) { m_iconPath = v; }
    QString appName() const { return m_appName; }
    void setAppName(const QString& v) { m_appName = v; }
    /// Application that opens a newly created file.
    QString openFileAppName() const { return m_openFileAppName; }
    void setOpenFileAppName(const QString& v) { m_openFileAppName = v; }
    QString appBundleId() const { return m_appBundleId; }
    void setAppBundleId(const QString& v) { m_appBundleId = v; }
    /// Creation time of a user script, "yyyy-MM-dd HH:mm:ss".
    QString createTime() const { return m_createTime; }
    void setCreateTime(const QString& v) { m_createTime = v; }
    bool disabledOpenPath() const { return m_disabledOpenPath; }
    void setDisabledOpenPath(bool v) { m_disabledOpenPath = v; }
    /// An entry of a sub-list that also stands at the top of the main menu ("toMainMenu").
    bool isAddToMainMenu() const { return m_isAddToMainMenu; }
    void setIsAddToMainMenu(bool v) { m_isAddToMainMenu = v; }
    /// A separator follows the entry.
    bool haveSepLine() const { return m_haveSepLine; }
    void setHaveSepLine(bool v) { m_haveSepLine = v; }
    /// Folder of a common-path entry.
    QString path() const { return m_path; }
    void setPath(const QString& v) { m_path = v; }
    QString desc() const { return m_desc; }
    void setDesc(const QString& v) { m_desc = v; }
    /// Title given by the user; wins over every derived title.
    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& v) { m_displayName = v; }
    QString templatePath() const { return m_templatePath; }
    void setTemplatePath(const QString& v) { m_templatePath = v; }
    QString ext() const { return m_ext; }
    void setExt(const QString& v) { m_ext = v; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& v) { m_fileName = v; }
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& v) { m_fileType = v; }
    /// Help text of a built-in entry in the settings list.
    QString introduce() const { return m_introduce; }
    void setIntroduce(const QString& v) { m_introduce = v; }
    /// The command needs no folder-access grant.
    bool disabledAuth() const { return m_disabledAuth; }
    void setDisabledAuth(bool v) { m_disabledAuth = v; }
    bool isNeedFolder() const { return m_isNeedFolder; }
    void setIsNeedFolder(bool v) { m_isNeedFolder = v; }
    bool isNeedFile() const { return m_isNeedFile; }
    void setIsNeedFile(bool v) { m_isNeedFile = v; }
    /// Shown only when the menu was opened on selected items.
    bool isNeedSelectURL() const { return m_isNeedSelectURL; }
    void setIsNeedSelectURL(bool v) { m_isNeedSelectURL = v; }
    /// Shown whatever the selection.
    bool isNotNeedURL() const { return m_isNotNeedURL; }
    void setIsNotNeedURL(bool v) { m_isNotNeedURL = v; }
    /// Shown inside the fold menu instead of at the top.
    bool isFoldUp() const { return m_isFoldUp; }
    void setIsFoldUp(bool v) { m_isFoldUp = v; }
    bool isMainMenuNewFile() const { return m_isMainMenuNewFile; }
    void setIsMainMenuNewFile(bool v) { m_isMainMenuNewFile = v; }
    /// A new-file entry whose file name is taken whole (no extension added).
    bool isSpecialFile() const { return m_isSpecialFile; }
    void setIsSpecialFile(bool v) { m_isSpecialFile = v; }
    QString script() const { return m_script; }
    void setScript(const QString& v) { m_script = v; }
    bool disabled() const { return m_disabled; }
    void setDisabled(bool v) { m_disabled = v; }
    /// Menu tag given when the menu is built.
    qint64 tag() const { return m_tag; }
    void setTag(qint64 v) { m_tag = v; }
    /// Lower-case file extensions the entry accepts; empty accepts every file.
    QStringList formats() const { return m_formats; }
    void setFormats(const QStringList& v) { m_formats = v; }
    /// Paths remembered by "Cut Paste".
    QStringList cutPaths() const { return m_cutPaths; }
    void setCutPaths(const QStringList& v) { m_cutPaths = v; }
    /// Extra data of a dynamic child.
    QVariantMap info() const { return m_info; }
    void setInfo(const QVariantMap& v) { m_info = v; }
    /// Archive-utility sub-command "1".."4".
    QString appCmd() const { return m_appCmd; }
    void setAppCmd(const QString& v) { m_appCmd = v; }
    bool isCommonPathShortcutAdd() const { return m_isCommonPathShortcutAdd; }
    void setIsCommonPathShortcutAdd(bool v) { m_isCommonPathShortcutAdd = v; }
    bool isShowHideFile() const { return m_isShowHideFile; }
    void setIsShowHideFile(bool v) { m_isShowHideFile = v; }
    /// Shell command or command template of the entry.
    QString command() const { return m_command; }
    void setCommand(const QString& v) { m_command = v; }

    QVMenuItemList& children() { return m_children; }
    const QVMenuItemList& children() const { return m_children; }
    void setChildren(const QVMenuItemList& v) { m_children = v; }
    /// The owner of a child, or null.
    QVMenuItemPtr parent() const { return m_parent.lock(); }
    void setParent(const QVMenuItemPtr& v) { m_parent = v; }

    /// The script is valid and contains "@rftocommonpath".
    bool isToCommomPathScript() const;
    /// The title shown in a menu: the display name, "Open With" + the localised key for an
    /// entry that opens an application, else the localised key ("..." appended in the
    /// application build when the key ends in a blank).
    QString menuTitle() const;
    /// The image shown in a menu: the file at iconPath, the resource image named icon, an
    /// image chosen by the file at path, else a null image. sourceName, when given, receives
    /// what the image was found by: the icon path, the icon name or the path.
    QImage menuIcon(QString* sourceName = nullptr) const { return menuIcon(m_icon, sourceName); }
    /// menuIcon() with another resource image name in the place of icon (a menu that shows the
    /// record in a state of its own, such as "Lock" or "Unlock").
    QImage menuIcon(const QString& icon, QString* sourceName) const;
    /// What menuIcon(icon, ...) finds, without drawing it: the name it is found by (null when
    /// nothing is) and the function that draws it. Only an icon file of the configuration is
    /// read at once, as whether it can be read decides what is found.
    struct IconSource
    {
        QString name;
        std::function<QImage()> draw;
        /// The image is the one imageNamed gives for the name (not a file's): the application's own
        /// image of that name, or a theme icon where it has none.
        bool named = false;
    };
    IconSource menuIconSource(const QString& icon) const;

    /// YES when the record has no children, or when at least one child's key is not stored as
    /// YES in the shared defaults; NO when every child is switched on there.
    bool isValidParent() const;

    bool isNewFolder() const { return keyIs("New Folder"); }
    bool isNewFile() const { return keyIs("New File"); }
    bool isMoveToTrash() const { return keyIs("Move to Trash"); }
    bool isShowPackageContents() const { return keyIs("Show Package Contents"); }
    bool isGetInfo() const { return keyIs("Get Info"); }
    bool isCopyFileName() const { return keyIs("Copy File(Folder) Name"); }
    bool isCopyFileContents() const { return keyIs("Copy File Contents"); }
    bool isEject() const { return keyIs("Eject"); }
    bool isNewFileFromWindow() const { return keyIs("New File From Window"); }
    bool isAddToFileTemplate() const { return keyIs("Add to File Template"); }
    bool isUnhideSelectedFiles() const { return keyIs("Unhide Selected Files"); }
    bool isHideSelectedFiles() const { return keyIs("Hide Selected Files"); }
    bool isUnhideAllFiles() const { return keyIs("Unhide All Files"); }
    bool isHideAllFiles() const { return keyIs("Hide All Files"); }
    bool isCommonPath() const { return keyIs("Common Path"); }
    bool isCommonApp() const { return keyIs("Common App"); }
    bool isCommonScript() const { return keyIs("Common Script"); }
    bool isConvert() const { return keyIs("Convert to"); }
    bool isResizeImage() const { return keyIs("Resize Image"); }
    bool isCopy() const { return keyIs("Copy to"); }
    bool isMove() const { return keyIs("Move to"); }
    bool isSymlinkTo() const { return keyIs("Create Symlink to"); }
    bool isTerminalTo() const { return keyIs("Terminal To") || keyIs("iTerm2 To"); }
    bool isFileInfo() const { return keyIs("File Info"); }
    bool isCutPaste() const { return keyIs("Cut Paste"); }
    bool isPaste() const { return keyIs("Paste"); }
    bool isFolderIcon() const { return keyIs("Folder Icon"); }
    bool isCompress() const { return keyIs("Encrypted Compression"); }
    bool isLockUnlock() const { return keyIs("Lock and Unlock"); }
    bool isEmbedFolder() const { return keyIs("Embed in Folder"); }
    bool isUnembedFolder() const { return keyIs("Unembed Folder"); }
    bool isColorPicker() const { return keyIs("Color Picker"); }
    bool isExecuteScript() const { return keyIs("Execute Script"); }
    bool isExtractIcon() const { return keyIs("Extract Icon"); }
    bool isAirDrop() const { return keyIs("AirDrop"); }
    bool isFixingGarbledNames() const { return keyIs("Fixing Garbled Names"); }
    bool isDesktopPicture() const { return keyIs("As Desktop Picture"); }
    bool isSendToWechat() const { return keyIs("Send to Wechat"); }
    bool isSendToDesktopShortcut() const { return keyIs("Send to Desktop Shortcut"); }
    bool isSepLine() const { return keyIs("Sep Line"); }

    /// The two editions of the archive utility, told apart by their bundle identifier.
    bool isBorella() const { return m_appBundleId == QLatin1String("com.valden.borella"); }
    bool isBorellaPro() const { return m_appBundleId == QLatin1String("com.valden.borellapro"); }

private:
    bool keyIs(const char* literal) const { return m_key == QLatin1String(literal); }

    QString m_key;
    QString m_serve;
    QString m_icon;
    QString m_iconPath;
    QString m_appName;
    QString m_openFileAppName;
    QString m_appBundleId;
    QString m_createTime;
    bool m_disabledOpenPath = false;
    bool m_isAddToMainMenu = false;
    bool m_haveSepLine = false;
    QString m_path;
    QString m_desc = QStringLiteral("");
    QString m_displayName;
    QString m_templatePath;
    QString m_ext;
    QString m_fileName;
    QString m_fileType;
    QString m_introduce;
    bool m_disabledAuth = false;
    bool m_isNeedFolder = false;
    bool m_isNeedFile = false;
    bool m_isNeedSelectURL = false;
    bool m_isNotNeedURL = false;
    bool m_isFoldUp = false;
    bool m_isMainMenuNewFile = false;
    bool m_isSpecialFile = false;
    QString m_script;
    bool m_disabled = false;
    qint64 m_tag = 0;
    QStringList m_formats;
    QStringList m_cutPaths;
    QVariantMap m_info;
    QString m_appCmd;
    bool m_isCommonPathShortcutAdd = false;
    bool m_isShowHideFile = false;
    QString m_command;
    QVMenuItemList m_children;
    std::weak_ptr<QVMenuItem> m_parent;
};
