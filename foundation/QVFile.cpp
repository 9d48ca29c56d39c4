#include "foundation/QVFile.h"

#include "foundation/PathComponents.h"
#include "foundation/StringExpandDigest.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>

#include <algorithm>

namespace {

// The MD5 of empty input: the scratch name of an item whose contents cannot be read (every
// folder), so such items share one scratch folder.
constexpr char kEmptyContentsMd5[] = "d41d8cd98f00b204e9800998ecf8427e";

bool extIsOneOf(const QString& ext, std::initializer_list<const char*> list)
{
    for (const char* candidate : list) {
        if (ext == QLatin1String(candidate)) {
            return true;
        }
    }
    return false;
}

QString dateText(const QString& path, QDateTime (*date)(const QFileInfo&))
{
    if (!qv::isWritable(path)) {
        return QString(QLatin1String(""));
    }
    const QDateTime when = date(QFileInfo(path));
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString(QLatin1String(""));
}

} // namespace

QVFile::QVFile(const QString& path)
    : m_path(path)
{
}

QVFile::~QVFile() = default;

std::shared_ptr<QVFile> QVFile::fileWithPath(const QString& path)
{
    return std::make_shared<QVFile>(path);
}

QString QVFile::filename() const
{
    return qv::detail::lastPathComponent(m_path);
}

QString QVFile::name() const
{
    return qv::detail::deletingPathExtension(filename());
}

QString QVFile::simpleName() const
{
    QString rest = name();
    for (;;) {
        const QString ext = qv::detail::pathExtension(rest);
        if (!qv::isValid(ext) || qv::containsOnlyNumbers(ext)) {
            return rest;
        }
        rest = qv::detail::deletingPathExtension(rest);
    }
}

QString QVFile::ext() const
{
    return qv::detail::pathExtension(filename()).toLower();
}

QString QVFile::folder() const
{
    QString p = m_path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) {
        p.chop(1);
    }
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return QString(QLatin1String(""));
    }
    return slash == 0 ? QStringLiteral("/") : p.left(slash);
}

QUrl QVFile::url() const
{
    return QUrl::fromLocalFile(m_path);
}

QString QVFile::size() const
{
    return qv::fileSizeWithValue(double(qv::fileSize(m_path)));
}

QIcon QVFile::icon() const
{
    QIcon icon;
    const QFileInfo info(m_path);
    if (info.exists() || info.isSymLink()) {
        icon = QFileIconProvider().icon(info);
    }
    if (icon.isNull()) {
        icon = platform::Bundle::iconNamed(QStringLiteral("icon"));
    }
    return icon;
}

QString QVFile::createDate() const
{
    return dateText(m_path, [](const QFileInfo& info) {
        // Where the file system keeps no birth time, the last status change stands in for it.
        const QDateTime born = info.birthTime();
        return born.isValid() ? born : info.metadataChangeTime();
    });
}

QString QVFile::modifyDate() const
{
    return dateText(m_path, [](const QFileInfo& info) { return info.lastModified(); });
}

bool QVFile::isFolder() const
{
    return qv::isFolder(m_path);
}

bool QVFile::isPackage() const
{
    return qv::isPackage(m_path);
}

bool QVFile::isVolumes() const
{
    const QStringList roots = platform::Paths::volumeRoots();
    return std::any_of(roots.begin(), roots.end(),
                       [this](const QString& root) { return m_path.startsWith(root + QLatin1Char('/')); });
}

bool QVFile::isDesktop() const
{
    return qv::isDesktop(m_path);
}

bool QVFile::isImage() const
{
    return extIsOneOf(ext(), { "png", "tiff", "jp2", "jpg", "jpeg", "gif", "bmp" });
}

bool QVFile::isKindle() const
{
    return extIsOneOf(ext(), { "mobi", "azw3", "prc", "tpz", "azw", "azw4", "azs", "azl" });
}

bool QVFile::isTnef() const
{
    return extIsOneOf(ext(), { "dat", "tnef" });
}

bool QVFile::isCHM() const
{
    return ext() == QLatin1String("chm");
}

bool QVFile::isHideFile() const
{
    return filename().startsWith(QLatin1Char('.'));
}

const QList<std::shared_ptr<QVFile>>& QVFile::children()
{
    if (m_childrenRead) {
        return m_children;
    }
    m_childrenRead = true;
    m_children.clear();
    if (!QFileInfo(m_path).isDir()) {
        return m_children;
    }
    const std::weak_ptr<QVFile> self = weak_from_this();
    QDirIterator it(m_path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString childPath = it.next();
        if (it.fileName().startsWith(QLatin1Char('.'))) {
            continue;
        }
        auto child = std::make_shared<QVFile>(childPath);
        child->m_parent = self;
        m_children.append(std::move(child));
    }
    return m_children;
}

void QVFile::setChildren(const QList<std::shared_ptr<QVFile>>& children)
{
    m_children = children;
    m_childrenRead = true;
}

QString QVFile::tempPath()
{
    if (m_tempPath.isNull() && !m_path.isEmpty()) {
        QString digest = qv::fileMD5(m_path);
        if (digest.isNull()) {
            digest = QLatin1String(kEmptyContentsMd5);
        }
        m_tempPath = qv::toTempFolderPath(QLatin1Char('.') + digest);
    }
    return m_tempPath;
}

void QVFile::removeTempPath()
{
    if (!m_tempPath.isNull()) {
        qv::remove(m_tempPath);
        m_tempPath = QString();
    }
}
