#pragma once

#include "platform/finder/FIFinderSyncController.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

/// One call of the file-manager host, read from its command line:
///   menu  [--kind N] [--target DIR] [--json] [PATH...]
///   pick TAG [same options]
///   popup [same options]
/// The kind defaults to 0 (items) when paths are given and to 1 (folder background) when only
/// a target is. Paths are taken as the bytes the file system names them by, so names that are
/// not UTF-8 stay intact.
struct HostRequest
{
    enum class Command { Menu, Pick, Popup };

    Command command = Command::Menu;
    platform::FIMenuKind kind = platform::FIMenuKindContextualMenuForItems;
    bool json = false;
    qint64 tag = 0;
    QList<QUrl> selectedURLs;
    QUrl targetedURL;

    /// Reads the arguments (without the program name), relative paths against cwd; null with a
    /// message when they are wrong or name something that does not exist.
    static std::optional<HostRequest> parse(const QList<QByteArray>& args, const QByteArray& cwd, QString* error);
    /// A file URL for the bytes of an absolute path.
    static QUrl fileUrlForBytes(const QByteArray& path);
    static QString usage();
};
