#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace platform {

/// The user's cloud container: a folder that a sync client (or nothing) carries to the user's
/// other machines, `$TARSEL_CLOUD_DIR`, by default `$XDG_DATA_HOME/tarsel/Cloud`. A
/// `TARSEL_CLOUD_DIR` that is set but empty means there is no container.
///
/// Documents live in its "Documents" folder. The search reports only regular files: an item a
/// sync client is still writing in place of a folder or link is there but not yet "indexed".
class Ubiquity final
{
public:
    Ubiquity() = delete;

    /// The container's folder (created when missing); empty when there is none.
    static QString containerPath();
    /// containerPath()/Documents (created when missing); empty when there is no container.
    static QString documentsPath();

    struct Item
    {
        QString path;
        QDateTime changeDate;
    };
    /// The regular files of that name in the documents folder.
    static QList<Item> itemsNamed(const QString& fileName);
    /// Moves a local file into the container at `to`, replacing what is there only once the
    /// file is whole beside it (written under a temporary name, then renamed over).
    static bool setUbiquitous(const QString& from, const QString& to, QString* error = nullptr);
    /// The item's bytes; none when it cannot be read.
    static std::optional<QByteArray> read(const QString& path);
};

} // namespace platform
