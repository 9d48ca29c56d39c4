#include "platform/MountTable.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMutex>

Q_LOGGING_CATEGORY(lcMount, "tarsel.platform.mount", QtWarningMsg)

namespace platform {

namespace {

QMutex& pathMutex()
{
    static QMutex m;
    return m;
}

QString& pathStorage()
{
    static QString path;
    return path;
}

// Undoes the kernel's octal escapes byte by byte.
QString decodeField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return QFile::decodeName(out);
}

} // namespace

const QString MountTable::kKernelPath = QStringLiteral("/proc/self/mountinfo");

QList<MountTable::Entry> MountTable::parse(const QByteArray& text)
{
    QList<Entry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5) {
            continue;
        }
        const qsizetype dash = fields.indexOf("-");
        const bool hasSource = dash >= 0 && dash + 2 < fields.size();
        entries.append({ decodeField(fields.at(4)), hasSource ? decodeField(fields.at(dash + 2)) : QString() });
    }
    return entries;
}

QList<MountTable::Entry> MountTable::read()
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMount).noquote() << "cannot read the mount table" << file.fileName() << file.errorString();
        return {};
    }
    // The kernel's table reports size 0, so read to the end rather than by size.
    return parse(file.readAll());
}

void MountTable::setPath(const QString& path)
{
    QMutexLocker lock(&pathMutex());
    pathStorage() = path;
}

QString MountTable::path()
{
    QMutexLocker lock(&pathMutex());
    return pathStorage().isEmpty() ? kKernelPath : pathStorage();
}

} // namespace platform
