#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace tarsel::test {

/// The item's status (of a link itself with followLinks false); all zero when there is none.
inline struct stat statOf(const QString& path, bool followLinks = true)
{
    struct stat st
    {
    };
    const QByteArray name = QFile::encodeName(path);
    if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0) {
        st = {};
    }
    return st;
}

} // namespace tarsel::test
