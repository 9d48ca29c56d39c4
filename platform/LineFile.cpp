#include "platform/LineFile.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

QStringList LineFile::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

bool LineFile::write(const QString& path, const QStringList& lines, QString* why)
{
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        if (f.commit()) {
            return true;
        }
    }
    if (why) {
        *why = f.errorString();
    }
    return false;
}

} // namespace platform
