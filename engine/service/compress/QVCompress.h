#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

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

/// Packs paths into one zip archive with Debian's zip tool, optionally under a password, and
/// turns the tool's output into progress reports.
///
/// The tool runs from an argument vector in the folder of the first path (no shell), so every
/// name and the password reach it as single words whatever they hold; item names go as
/// "./name", so a name that starts with "-" is never read as an option. It writes to a hidden
/// temporary name beside the archive, which replaces the archive only when the tool succeeded:
/// zip itself would add to an existing archive, so an archive the user chose to replace would
/// keep its old entries. The tool runs in a process group of its own; a cancel signals the
/// whole group, waits for it, deletes the partial file and reports a cancel.
///
/// The password is visible in the process list while the tool runs (zip takes it as an
/// argument); _compressWithSSZip() writes through libzip in this process instead.
///
/// Reports (QVCompress::Progress) reach the handler on the main thread.
class QVCompress final
{
public:
    /// The number handed to the progress handler (with a text or none).
    struct Progress
    {
        static constexpr double Started = 0; ///< also one item added, with the tool's line
        static constexpr double Finished = 1.0;
        static constexpr double Failed = -1.0;
        static constexpr double Cancelled = -2.0;
        static constexpr double NothingWritten = -3.0;
    };
    using ProgressHandler = std::function<void(const QString& path, double progress)>;
    using AccessoryFactory = std::function<std::unique_ptr<QVCompressAccessory>()>;

    static constexpr int kCompressionLevel = 6;

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
    /// Finished, Failed or Cancelled.
    void startCompressWithPaths(const QStringList& paths, const QStringList& excludeFileNames,
                                const QString& withPassword, ProgressHandler progressHandler);
    /// From any thread: stops a running tool (its whole process group) and deletes its output.
    void stopCompress();
    /// Posts the report to the main queue; nothing when no handler is set.
    void setProgress(double progress, const QString& path);

    /// Writes the archive with libzip in this process (WinZip AES under the password): no tool,
    /// and the password never leaves the process. Folders are walked recursively, names in
    /// excludeFileNames skipped.
    void _compressWithSSZip(const QStringList& paths);

    /// The program run as the zip tool (tests point it elsewhere); "zip" from PATH by default.
    static void setZipProgram(const QString& program);
    static void setAccessoryFactory(AccessoryFactory factory);

private:
    void _compressWithCmd(const QStringList& paths);
    QStringList commandArguments(const QStringList& paths, const QString& output) const;
    /// Runs the tool to the end, reporting its output; its exit code, or -1 when it did not
    /// start or was cancelled.
    int runTool(const QStringList& arguments, const QString& folder);
    void readOutput(const QByteArray& piece);

    QString m_savePath;
    QStringList m_excludeFileNames;
    QString m_password;
    ProgressHandler m_progressHandler;
    std::atomic<bool> m_isCancel { false };
    /// The running tool's process group, 0 when none runs.
    std::atomic<int> m_group { 0 };
};
