#include "ReachablePrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace tarsel::test {

namespace {

// What a program of the build finds beside itself: the host its plug-in, a program that copies
// the clipboard holder.
const QStringList kCompanions { QStringLiteral("TarselFinderExtension*"), QStringLiteral("tarsel-clipboard") };

} // namespace

bool othersCanReach(const QString& path)
{
    QString folder = QFileInfo(path).absoluteFilePath();
    while (!folder.isEmpty()) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(folder).constData(), &st) != 0
            || (S_ISDIR(st.st_mode) && (st.st_mode & S_IXOTH) == 0)) {
            return false;
        }
        if (folder == QLatin1String("/")) {
            return true;
        }
        folder = QFileInfo(folder).path();
    }
    return false;
}

ReachablePrograms::ReachablePrograms(const QStringList& programs)
    : m_dir(QDir::tempPath() + QStringLiteral("/tarsel-programs-XXXXXX"))
{
    if (!m_dir.isValid() || ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) != 0) {
        m_why = QStringLiteral("cannot make a folder for the programs in %1").arg(QDir::tempPath());
        return;
    }
    if (!othersCanReach(m_dir.path())) {
        m_why = QStringLiteral("other accounts cannot enter the temporary folder %1 (set TMPDIR to one they can)")
                    .arg(QDir::tempPath());
        return;
    }
    for (const QString& program : programs) {
        const QDir beside = QFileInfo(program).dir();
        QStringList files { program };
        for (const QString& name : beside.entryList(kCompanions, QDir::Files)) {
            files << beside.filePath(name);
        }
        for (const QString& file : files) {
            if (!QFileInfo::exists(path(file)) && !place(file)) {
                m_why = QStringLiteral("cannot place %1 in %2").arg(file, m_dir.path());
                return;
            }
        }
    }
}

QString ReachablePrograms::path(const QString& program) const
{
    return m_dir.filePath(QFileInfo(program).fileName());
}

// A hard link when everyone may already read and run the file and the build lies on the same
// file system (a program of the build can be large), else a copy that everyone may run.
bool ReachablePrograms::place(const QString& file)
{
    const QString target = path(file);
    const QByteArray from = QFile::encodeName(file);
    const QByteArray to = QFile::encodeName(target);
    struct stat st
    {
    };
    if (::stat(from.constData(), &st) != 0) {
        return false;
    }
    if ((st.st_mode & (S_IROTH | S_IXOTH)) == (S_IROTH | S_IXOTH) && ::link(from.constData(), to.constData()) == 0) {
        return true;
    }
    return QFile::copy(file, target) && ::chmod(to.constData(), 0755) == 0;
}

} // namespace tarsel::test
