#pragma once

#include "platform/finder/FIFinderSyncController.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

/// One call of the file-manager host, read from its command line:
///   menu  [--kind N] [--target DIR] [--json] [PATH...]
///   pick TAG [--key KEY] [same options]
///   popup [same options]
/// The kind defaults to 0 (items) when paths are given and to 1 (folder background) when only
/// a target is. Paths are taken as the bytes the file system names them by and canonicalised
/// (".", "..", repeated "/" and links in the folders above an item resolved; a selected link
/// stays the link) before anything looks at them. A path whose bytes would not survive being
/// held as text would make every command act on a file of another name: as a target it is
/// refused, and as a selected item it is kept as bytes with a note, and the menu then offers
/// only the garbled-name repair, which renames on the bytes.
struct HostRequest
{
    enum class Command { Menu, Pick, Popup };

    Command command = Command::Menu;
    platform::FIMenuKind kind = platform::FIMenuKindContextualMenuForItems;
    bool json = false;
    qint64 tag = 0;
    /// pick --key: the key the entry at the tag must have, so that a tag read from an older
    /// menu never runs whatever entry holds that position now.
    std::optional<QString> key;
    QList<QUrl> selectedURLs;
    QUrl targetedURL;
    /// Set when a selected path holds a name that is not UTF-8: why the rest of the menu is
    /// refused, and what to do.
    QString undecodableNote;

    /// Reads the arguments (without the program name), relative paths against cwd; null with a
    /// message when they are wrong or name something that does not exist. An empty cwd is a
    /// working folder that could not be read (cwdError says why): relative paths are refused.
    static std::optional<HostRequest> parse(const QList<QByteArray>& args, const QByteArray& cwd, QString* error,
                                            const QString& cwdError = QString());
    /// A file URL for the bytes of an absolute path.
    static QUrl fileUrlForBytes(const QByteArray& path);
    static QString usage();
};
