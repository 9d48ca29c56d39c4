#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

namespace platform {

/// Thunar's custom actions file (uca.xml): an `<actions>` root holding one `<action>` element per
/// action, each named by its `<unique-id>`. Our actions are merged in and taken out as elements:
/// every byte outside them (the user's actions, comments, spacing) stays as it was.
///
/// A change is written through a temporary file beside the original and a rename, after a copy
/// of the original is kept beside it once ("uca.xml.tarsel-backup", made on the first change and
/// never overwritten). A file that is not well-formed UTF-8 XML with an `<actions>` root is never
/// written: the call fails with what is wrong and where.
class UcaActions final
{
public:
    UcaActions() = delete;

    /// One action element: its unique id and the whole `<action>…</action>` text.
    struct Action
    {
        QString uniqueId;
        QString element;
    };

    /// The backup's path for a uca.xml.
    static QString backupFile(const QString& file);

    /// Puts the actions into the file: an element with the same unique id is replaced where it
    /// stands, a new one goes before `</actions>`. A missing file starts from `seed` (the system's
    /// default actions Thunar would otherwise show), or from an empty list when `seed` is empty or
    /// unreadable. Nothing is written when the file already holds exactly these actions.
    static FileChange merge(const QString& file, const QList<Action>& actions, const QString& seed = QString());

    /// Takes out every action whose unique id is one of `uniqueIds`. A missing file is fine.
    static FileChange remove(const QString& file, const QStringList& uniqueIds);

    /// The unique ids of the file's actions; false with a message when the file cannot be read
    /// as uca.xml. A missing file holds none.
    static bool uniqueIds(const QString& file, QStringList* ids, QString* error);
};

} // namespace platform
