#include "engine/model/QVAssetFile.h"

#include <QDir>

const QStringList& QVAssetFile::folders(Kind kind)
{
    static const QStringList templates { QStringLiteral("QVFileTemplate") };
    static const QStringList icons { QStringLiteral("QVRightMenuIcon"), QStringLiteral("QVAppIcon"),
                                     QStringLiteral("QVFileTemplate"), QStringLiteral("QVFolderIcon") };
    return kind == Kind::Template ? templates : icons;
}

QString QVAssetFile::relativePath(const QString& path, const QString& sharedFolder, Kind kind)
{
    if (path.isEmpty() || sharedFolder.isEmpty() || path.contains(QChar(0))) {
        return QString();
    }
    const QString cleaned = QDir::cleanPath(path);
    const QString root = QDir::cleanPath(sharedFolder) + QLatin1Char('/');
    if (!cleaned.startsWith(root)) {
        return QString();
    }
    const QString relative = cleaned.mid(root.size());
    const QStringList parts = relative.split(QLatin1Char('/'));
    if (parts.size() != 2 || !folders(kind).contains(parts.first()) || parts.last().isEmpty()
        || parts.last() == QLatin1String("..") || parts.last() == QLatin1String(".")) {
        return QString();
    }
    return relative;
}
