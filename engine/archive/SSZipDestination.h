#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

/// The folder an archive is extracted into, held open by a descriptor; every path below it is
/// reached one component at a time with O_NOFOLLOW, so nothing is ever created or written
/// through a symbolic link, whoever put the link there. Paths are relative and already
/// sanitised ("a/b/c", no "." or ".."). POSIX errors come back as errno values.
class SSZipDestination final
{
public:
    /// Creates the folder (with intermediate folders) when missing and opens it.
    explicit SSZipDestination(const QString& folder);
    ~SSZipDestination();
    Q_DISABLE_COPY_MOVE(SSZipDestination)

    bool isOpen() const { return m_root >= 0; }
    QString folder() const { return m_folder; }

    /// Result of reaching a path: the descriptor of its parent folder (or -1) and errno.
    struct Parent
    {
        int fd = -1;
        int error = 0;
        QByteArray name; ///< the last component
        ~Parent();
        Parent() = default;
        Parent(Parent&& other) noexcept;
        Parent& operator=(Parent&&) = delete;
        Q_DISABLE_COPY(Parent)
    };
    /// Opens the parent folder of the relative path, creating missing folders with 0755 when
    /// create is true. ELOOP or ENOTDIR means a component is a link or a file.
    Parent parentOf(const QString& relative, bool create) const;
    /// Creates every folder of the path (the last one included).
    int makeFolders(const QString& relative) const;
    /// True when something (a link counts as itself) is at the path.
    bool exists(const QString& relative) const;

    /// Opens the path for writing a fresh file (0600): an existing file is truncated, an
    /// existing link is removed first (it lies inside this folder); errno on failure.
    int openForWriting(const QString& relative, int* error) const;
    /// Creates the link; an existing item is removed first when replace is true.
    int makeLink(const QString& relative, const QByteArray& target, bool replace) const;
    /// Sets the modification (and access) time of the item itself, links not followed.
    int setDate(const QString& relative, qint64 secondsSince1970) const;

    /// True when a link at `relative` pointing to `target` stays inside this folder.
    static bool isInside(const QString& relative, const QByteArray& target);

private:
    QString m_folder;
    int m_root = -1;
};
