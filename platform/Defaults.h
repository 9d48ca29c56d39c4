#pragma once

#include <QMutex>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace platform {

/// A user-defaults suite: one XML property-list file holding a dictionary of keys.
///
/// Dates are kept to whole seconds, as XML property lists store them.
/// Values are QVariant trees of bool, qint64/int, double, QString, QByteArray, QDateTime,
/// QVariantList and QVariantMap (the property-list types). Every write is a locked read-modify-
/// write of the file (flock on a lock file beside it, then an atomic rename), so two processes
/// writing different keys lose nothing. A read re-reads the file when it changed on disk since
/// the last read, so the application and the extension see each other's writes.
///
/// A file that cannot be read (not an XML property list, truncated, nested deeper
/// than kMaxNesting levels, larger than kMaxFileSize, unreadable, not a regular file) reads as
/// empty and is never written over in place: a write that must happen first keeps its bytes
/// beside it as "<file>.damaged-<yyyyMMdd-HHmmss>" (never replacing an earlier copy), and a
/// write that would change nothing writes nothing. The failure is logged once per damaged file;
/// lastReadError() tells the caller. A UTF-8 byte-order mark in front is accepted.
///
/// Instances are shared per file and safe to use from any thread.
class Defaults final
{
public:
    /// The process's standard defaults (Paths::standardDefaultsFile of the bundle identifier).
    static Defaults& standard();
    /// A named suite. The group id answers the group's shared suite inside its container;
    /// any other name a file beside the standard defaults.
    static Defaults& suite(const QString& name);
    /// The shared instance for a file path.
    static Defaults& forFile(const QString& filePath);

    QString filePath() const { return m_filePath; }

    /// The stored value, or an invalid QVariant when absent.
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    /// Writes one key; an invalid QVariant removes it. False when the file could not be written.
    bool setValue(const QString& key, const QVariant& value);
    bool remove(const QString& key);
    /// Read-modify-write of one key under the file lock: fn gets the current value (invalid
    /// when absent) and answers the new one (invalid removes the key).
    bool update(const QString& key, const std::function<QVariant(const QVariant&)>& fn);
    /// Read-modify-write of the whole dictionary under the file lock.
    bool updateAll(const std::function<void(QVariantMap&)>& fn);

    /// Typed reads with the platform's lenient defaults (false, 0, empty).
    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QVariantList arrayValue(const QString& key) const;
    QVariantMap dictionaryValue(const QString& key) const;

    /// Makes the writes through this suite, from any thread, one locked read-modify-write of the
    /// file: while a batch lives, the file stays locked, reads answer and writes change the
    /// values in memory, and commit() (or the end of the batch) writes them in one replacement.
    /// Batches nest; the outermost one writes.
    class Batch
    {
    public:
        explicit Batch(Defaults& defaults);
        ~Batch();
        /// Writes what the batch changed; false when the file could not be written (lastError()).
        /// The batch has ended then: later writes go to the file one by one.
        bool commit();
        Q_DISABLE_COPY_MOVE(Batch)

    private:
        Defaults* m_defaults;
        bool m_open = true;
    };

    /// The whole dictionary as stored now.
    QVariantMap dictionaryRepresentation() const;
    /// Replaces the whole dictionary (used by a configuration restore).
    bool setDictionaryRepresentation(const QVariantMap& all);

    /// The last error of a failed write, for diagnostics.
    QString lastError() const;
    /// Why the file as last read could not be read; empty when it read fine or was absent.
    QString lastReadError() const;
    /// Where the bytes of a damaged file were last kept; empty when none were.
    QString lastDamagedCopy() const;

    /// Containers nested deeper than this make a file unreadable.
    static constexpr int kMaxNesting = 64;
    /// Files larger than this are not read.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    /// Parses the bytes of a suite file (an XML property list holding a dictionary).
    /// False, with the reason in *error, when they are not one.
    static bool parse(const QByteArray& bytes, QVariantMap* values, QString* error);

    explicit Defaults(const QString& filePath);
    ~Defaults();
    Q_DISABLE_COPY_MOVE(Defaults)

private:
    struct State;
    void refreshLocked() const;
    void beginBatch();
    bool endBatch();

    QString m_filePath;
    mutable QMutex m_mutex;
    std::unique_ptr<State> m_state;
};

} // namespace platform
