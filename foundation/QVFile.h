#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

/// One path of the file system and the questions menu building, the commands and the settings
/// pages ask of it: names, extension, size text, dates, icon, type tests, visible children, and
/// a private scratch folder for commands that unpack or convert.
///
/// Creating a wrapper does not consult the disk. Children are held strongly and refer back to
/// their folder weakly, so a tree of wrappers is freed from its root; a child knows its
/// `parent()` only when the folder object is owned by a shared pointer (as `fileWithPath` makes
/// it). Not thread-safe: a wrapper belongs to the code that made it.
class QVFile final : public std::enable_shared_from_this<QVFile>
{
public:
    /// The size, in points, at which the file's icon is shown.
    static constexpr int kIconSize = 60;

    explicit QVFile(const QString& path = QString());
    ~QVFile();
    Q_DISABLE_COPY_MOVE(QVFile)

    static std::shared_ptr<QVFile> fileWithPath(const QString& path);

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

    // Names and values
    /// The last path component.
    QString filename() const;
    /// The last path component without its last extension ("My.Folder" gives "My").
    QString name() const;
    /// The name with every further extension dropped, stopping at one made only of digits
    /// ("archive.part1.rar" gives "archive", "file.001.zip" gives "file.001").
    QString simpleName() const;
    /// The last extension in lower case ("" when none).
    QString ext() const;
    /// The path without its last component.
    QString folder() const;
    QUrl url() const;
    /// The size text of the item ("1.50 KB"); a folder counts all its contents; nothing there
    /// gives the text of zero bytes.
    QString size() const;
    /// The desktop's icon for the item, shown at kIconSize; the application image "icon" when the
    /// desktop has none. Call on the main thread.
    QIcon icon() const;
    /// The creation and modification dates as "yyyy-MM-dd HH:mm:ss" in the local time zone; ""
    /// when the item is missing or not writable.
    QString createDate() const;
    QString modifyDate() const;

    // Type tests; a missing item answers false.
    /// A folder (a symbolic link is not followed).
    bool isFolder() const;
    /// A folder whose name has an extension.
    bool isPackage() const;
    /// An item on a mounted volume (below one of the desktop's volume roots).
    bool isVolumes() const;
    /// The user's desktop folder.
    bool isDesktop() const;
    /// `ext` is one of png, tiff, jp2, jpg, jpeg, gif, bmp (a narrower list than the
    /// platform-wide image test of the string additions).
    bool isImage() const;
    bool isKindle() const;
    bool isTnef() const;
    bool isCHM() const;
    /// The file name begins with ".".
    bool isHideFile() const;

    // Children and scratch folder
    /// On first read the entries of the folder (one level, in the file system's order) leaving
    /// out every name that begins with "."; empty when the path is not a readable folder. Later
    /// reads answer the same list.
    const QList<std::shared_ptr<QVFile>>& children();
    void setChildren(const QList<std::shared_ptr<QVFile>>& children);
    /// The folder object whose children produced this one, or null.
    std::shared_ptr<QVFile> parent() const { return m_parent.lock(); }

    /// On first read a fresh, empty scratch folder inside the private application-support folder,
    /// named "." followed by the MD5 of the file's contents; later reads answer the same path and
    /// leave its contents alone. Null when it cannot be made.
    /// The name follows the contents, so files with equal contents share one folder, and so do
    /// all items whose contents cannot be read (every folder): the first read of a second such
    /// wrapper empties the folder the first one is using.
    QString tempPath();
    /// Removes the scratch folder with everything in it; the next read makes a new one.
    void removeTempPath();

private:
    QString m_path;
    QString m_tempPath;
    QList<std::shared_ptr<QVFile>> m_children;
    bool m_childrenRead = false;
    std::weak_ptr<QVFile> m_parent;
};
