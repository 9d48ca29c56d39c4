#include "platform/finder/HostProcesses.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcHostProcesses, "tarsel.platform.hosts", QtWarningMsg)

namespace platform {

namespace {

const QString kFolderName = QStringLiteral("tarsel-hosts");

struct Record
{
    QString file;
    HostProcesses::Process process;
    QString extensionId;
};

// "<start time> <extension id>" in a file named after the process id.
std::optional<Record> readRecord(const QString& folder, const QString& name)
{
    bool ok = false;
    const qint64 pid = name.toLongLong(&ok);
    QFile in(folder + QLatin1Char('/') + name);
    if (!ok || pid <= 0 || !in.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QList<QByteArray> words = in.read(4096).trimmed().split(' ');
    const quint64 startTime = words.value(0).toULongLong(&ok);
    if (!ok || words.size() != 2) {
        return std::nullopt;
    }
    return Record { in.fileName(), { pid, startTime }, QString::fromUtf8(words.at(1)) };
}

// Every record of the extension whose process still runs; the others are removed.
QList<Record> liveRecords(const QString& extensionId)
{
    QList<Record> live;
    const QString folder = HostProcesses::folder();
    if (folder.isEmpty()) {
        return live;
    }
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const std::optional<Record> record = readRecord(folder, name);
        if (!record || HostProcesses::startTimeOf(record->process.pid) != record->process.startTime) {
            QFile::remove(folder + QLatin1Char('/') + name);
            continue;
        }
        if (record->extensionId == extensionId) {
            live << *record;
        }
    }
    return live;
}

// Writes the record whole under its name, without waiting for the disk: a record only stands for
// a process that runs, and the start time it holds unmasks one that outlived its process. An
// unnamed file given its name once written is never seen half written by a host that cleans
// the folder. False when the file system has no unnamed files; the caller then saves as usual.
bool publishRecord(const QString& folder, const QString& file, const QByteArray& text)
{
    const posix::Fd fd(::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!fd.ok() || posix::writeAll(fd.get(), text) != 0) {
        return false;
    }
    const QByteArray source = "/proc/self/fd/" + QByteArray::number(fd.get());
    const QByteArray target = QFile::encodeName(file);
    // A record left under this process's id belongs to an ended process that had the same id.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST || ::unlink(target.constData()) != 0) {
            return false;
        }
    }
    return false;
}

} // namespace

HostProcesses::Registration::~Registration()
{
    QFile::remove(m_file);
}

QString HostProcesses::folder(QString* error)
{
    const QString folder = Paths::runtimeFolder() + QLatin1Char('/') + kFolderName;
    const QByteArray name = QFile::encodeName(folder);
    const QString action = QStringLiteral("use the host records folder");
    if (!Paths::ensureFolder(Paths::runtimeFolder()) || (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)) {
        posix::fail(error, action, folder, posix::errnoText(errno));
        return QString();
    }
    struct stat st
    {
    };
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & 077) != 0) {
        posix::fail(error, action, folder, QStringLiteral("it is not a closed folder of this account's own"));
        return QString();
    }
    return folder;
}

std::unique_ptr<HostProcesses::Registration> HostProcesses::record(const QString& extensionId, QString* error)
{
    const QString records = folder(error);
    if (records.isEmpty()) {
        return nullptr;
    }
    // Records of hosts that were killed (and so never removed their own) go as each new host
    // starts, so the folder holds no more than the hosts that run.
    liveRecords(QString());
    const qint64 pid = ::getpid();
    const QString file = records + QLatin1Char('/') + QString::number(pid);
    const QByteArray text = QByteArray::number(startTimeOf(pid)) + ' ' + extensionId.toUtf8() + '\n';
    if (publishRecord(records, file, text)) {
        return std::make_unique<Registration>(file);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        posix::fail(error, QStringLiteral("record the host process"), file, out.errorString());
        return nullptr;
    }
    return std::make_unique<Registration>(file);
}

QList<HostProcesses::Process> HostProcesses::running(const QString& extensionId)
{
    QList<Process> processes;
    for (const Record& record : liveRecords(extensionId)) {
        processes << record.process;
    }
    return processes;
}

int HostProcesses::killAll(const QString& extensionId, QString* error)
{
    int ended = 0;
    for (const Record& record : liveRecords(extensionId)) {
        if (::kill(pid_t(record.process.pid), SIGKILL) != 0) {
            posix::fail(error, QStringLiteral("end the host process"), record.file, posix::errnoText(errno));
            qCWarning(lcHostProcesses).noquote() << (error ? *error : record.file);
            continue;
        }
        QFile::remove(record.file);
        ++ended;
    }
    return ended;
}

quint64 HostProcesses::startTimeOf(qint64 pid)
{
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    struct stat st
    {
    };
    if (pid <= 0 || ::stat(QFile::encodeName(proc).constData(), &st) != 0 || st.st_uid != ::geteuid()) {
        return 0;
    }
    QFile stat(proc + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // The program name in parentheses may hold blanks and parentheses itself: the fields that
    // follow are counted from the last ")". The start time is field 22, the 20th after it.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

} // namespace platform
