#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

/// Reads a configuration archive ("qvconfig.zip") so that nothing of it reaches the shared folder
/// or the shared defaults before all of it was found sound:
///
/// 1. checkRecords(): the archive's own records are bounded before anything is written: entry
///    count, each entry's size by its kind (config.plist, icon, template), the total, and the
///    compression ratio; a link or other special entry, or a name leading out, refuses it.
/// 2. unpack(): extracts only "config.plist" and the asset folders into a scratch folder (which
///    the caller keeps in the private application-support folder); no entry writes more than
///    its record says, so the checked bounds hold for what lands on disk.
/// 3. readConfiguration(): reads the scratch "config.plist" (a regular file, bounded, opened
///    without following links or blocking) and validates every value a restore would copy as
///    the store reader reads them: each list an array (of entry dictionaries) of plain values,
///    switches booleans or numbers, settings strings or numbers, sizes and nesting bounded, and
///    every template and icon path inside its own sub-folder of the shared folder (a path that
///    names the same sub-folder of the group container at another place, as an archive made in
///    another home does, is moved onto this shared folder).
///
/// Every refusal answers false with a message that says what was refused and why.
class QVConfigArchive final
{
public:
    /// The bounds of step 1. The defaults fit any configuration a user builds through the
    /// settings pages by a wide margin; tests lower them.
    struct Limits
    {
        /// Icons and templates are counted in hundreds at most.
        qint64 maxEntries = 10000;
        /// Every template at its largest bound would not fit; a real configuration is far below.
        quint64 maxTotalSize = quint64(1) << 30;
        /// Entries (and archives) smaller than this are not held to the ratio: small text
        /// compresses well and cannot fill a disk.
        quint64 ratioFloor = quint64(4) << 20;
        /// Real icons and documents compress a few times at most; deflate reaches about 1000:1
        /// only on runs of the same byte, which is what an archive made to fill a disk holds.
        quint64 maxRatio = 200;
    };

    static inline const QString kConfigPlistName = QStringLiteral("config.plist");
    /// Entries of a stored list, strings of a stored value: larger ones are no configuration.
    static constexpr qsizetype kMaxListEntries = 1000;
    static constexpr qsizetype kMaxStringSize = qsizetype(1) << 20;
    /// Dictionaries and lists inside a restorable value (an entry's "cutPaths" is one level).
    static constexpr int kMaxValueNesting = 4;

    /// The folders of the shared folder the archive carries.
    static const QStringList& assetFolders();
    /// The bound of one entry by its name, 0 for an entry a restore never takes.
    static quint64 maxEntrySize(const QString& name);

    static bool checkRecords(const QString& archive, const Limits& limits, QString* error);
    /// checkRecords(), then extraction into scratch (created when missing).
    static bool unpack(const QString& archive, const QString& scratch, const QString& password, const Limits& limits,
                       QString* error);
    /// The values of those keys config.plist holds, validated; sharedFolder is the folder the
    /// paths must lie in. False, and nothing in *values, when anything is refused.
    static bool readConfiguration(const QString& plist, const QStringList& keys, const QString& sharedFolder,
                                  QVariantMap* values, QString* error);
    /// One value of a restorable key as readConfiguration() checks it; *accepted is the value to
    /// store (paths moved onto sharedFolder).
    static bool validateValue(const QString& key, const QVariant& value, const QString& sharedFolder,
                              QVariant* accepted, QString* why);
};
