#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

#include <sys/types.h>

class QWidget;
class SSZipArchive;

/// The encryption options a compression save panel shows below its file list: the password and
/// the junk-file switch. The process that shows windows installs a factory
/// (QVCompress::setAccessoryFactory); without one the panel asks for the place only.
class QVCompressAccessory
{
public:
    virtual ~QVCompressAccessory() = default;
    virtual QWidget* view() = 0;
    virtual QString password() const = 0;
    virtual bool skipJunkFiles() const = 0;
    virtual void setSkipJunkFiles(bool skip) = 0;
};

/// Packs paths into one zip archive in this process, with our own writer (SSZipArchive),
/// optionally under a password (WinZip AES-256), and reports each entry as it is written.
///
/// No program runs: the password never appears in an argument vector or an environment, where
/// every local account could read it. Folders are walked recursively, hidden items included;
/// links are followed (a link to a folder that is already being walked is left out rather than
/// walked for ever); FIFOs, sockets, devices and dangling links are left out. Every folder gets
/// an entry of its own, so empty ones survive. The archive is written under a hidden scratch
/// name beside its place and renamed into place only when complete: an archive the user chose
/// to replace then holds only the new entries, and a place that was free when the run began is
/// never taken from whatever appeared there meanwhile (no-replace rename). A cancel stops the
/// write, inside a large file too, and leaves no archive.
///
/// Reports (QVCompress::Progress) reach the handler on the main thread.
class QVCompress final
{
public:
    /// The number handed to the progress handler (with a text or none).
    struct Progress
    {
        static constexpr double Started = 0; ///< also one item being added, with its name in the archive
        static constexpr double Finished = 1.0;
        static constexpr double Failed = -1.0; ///< also when nothing of the paths could be archived
        static constexpr double Cancelled = -2.0;
    };
    using ProgressHandler = std::function<void(const QString& path, double progress)>;
    using AccessoryFactory = std::function<std::unique_ptr<QVCompressAccessory>()>;

    static constexpr int kCompressionLevel = 6;
    /// The shared switch behind the panel's junk-file box: whether ".DS_Store" and "__MACOSX"
    /// are left out.
    static inline const QString kCompressSkipJunk = QStringLiteral("compress skip junk");

    QVCompress();
    ~QVCompress();
    Q_DISABLE_COPY_MOVE(QVCompress)

    QString savePath() const { return m_savePath; }
    void setSavePath(const QString& path) { m_savePath = path; }
    bool isCancel() const { return m_isCancel; }
    QStringList excludeFileNames() const { return m_excludeFileNames; }
    QString password() const { return m_password; }

    /// Asks for the archive's place (and password) in a save panel, then compresses on the
    /// background queue; a cancelled panel reports Cancelled. An empty list does nothing.
    void compressPaths(const QStringList& paths, ProgressHandler progressHandler);
    /// Compresses synchronously on the calling thread: reports Started, then each item, then
    /// Finished, Failed or Cancelled. The paths are stored relative to the first one's folder.
    void startCompressWithPaths(const QStringList& paths, const QStringList& excludeFileNames,
                                const QString& withPassword, ProgressHandler progressHandler);
    /// From any thread: stops a running write; the run then deletes what it wrote.
    void stopCompress();
    /// Posts the report to the main queue; nothing when no handler is set.
    void setProgress(double progress, const QString& path);

    /// Writes the archive to savePath() and reports how it ended. Items whose name (or a
    /// folder on whose way) is in excludeFileNames are left out.
    void _compressWithSSZip(const QStringList& paths);

    static void setAccessoryFactory(AccessoryFactory factory);

    /// The selected folder that would hold the archive (links resolved), or null: an archive is
    /// never written into what it archives.
    static QString archivedFolderHolding(const QString& archive, const QStringList& paths);

private:
    /// Adds the item under the name; false when it had to be archived and could not be.
    bool addItem(SSZipArchive& archive, const QString& path, const QString& name, QList<QPair<dev_t, ino_t>>& walking,
                 qint64& written);
    /// Puts the complete scratch archive at savePath(); false (with the reason) when it cannot.
    bool moveIntoPlace(const QString& scratch, bool replace, QString* error) const;

    QString m_savePath;
    QStringList m_excludeFileNames;
    QString m_password;
    ProgressHandler m_progressHandler;
    std::atomic<bool> m_isCancel { false };
};
