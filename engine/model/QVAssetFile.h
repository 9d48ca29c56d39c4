#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// A file that a stored or imported menu list names by path: a new-file template
/// ("templatePath") or an entry's icon ("iconPath"). Such a path comes from configuration that
/// anybody may have written (an imported archive, a hand-edited suite), so it is only ever read
/// when it names a regular file directly inside one of its kind's sub-folders of the shared
/// folder; the file is opened below that folder with O_NOFOLLOW|O_NONBLOCK (a link, a FIFO or a
/// device never blocks or redirects the read) and is refused beyond its kind's size bound.
/// Everything else is refused with a message that names the file.
class QVAssetFile final
{
public:
    enum class Kind {
        Template, ///< "QVFileTemplate"
        Icon, ///< "QVRightMenuIcon", "QVAppIcon", "QVFileTemplate" (script icons), "QVFolderIcon"
    };

    /// Templates are documents the user keeps to start new files from: a large office or
    /// media template is still well below this, while a file beyond it is no template anybody
    /// copies for every new file.
    static constexpr qint64 kMaxTemplateSize = qint64(256) << 20;
    /// Icons are 60 by 60 pixel pictures of a few kilobytes; the bound leaves room for any
    /// picture a user may have chosen, and keeps a decoder from being fed a huge file.
    static constexpr qint64 kMaxIconSize = qint64(16) << 20;

    static qint64 maxSize(Kind kind) { return kind == Kind::Template ? kMaxTemplateSize : kMaxIconSize; }
    /// The sub-folders of the shared folder a file of the kind may lie in.
    static const QStringList& folders(Kind kind);
    /// "<sub-folder>/<name>" when the path names an item directly inside one of the kind's
    /// sub-folders of sharedFolder (compared as text once "." and ".." parts and doubled
    /// slashes are resolved), else a null string.
    static QString relativePath(const QString& path, const QString& sharedFolder, Kind kind);

    /// Opens the file for reading as described above: a descriptor the caller closes, with the
    /// file's size in *size; -1 with the message in *error when refused.
    static int open(const QString& path, Kind kind, qint64* size, QString* error);
    /// Reads the whole file (at most maxSize(kind) bytes); false with the message when refused.
    static bool read(const QString& path, Kind kind, QByteArray* bytes, QString* error);
};
