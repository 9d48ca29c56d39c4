// Feeds arbitrary bytes to the configuration-archive import as a restore reads an archive: the
// record check, the extraction into a scratch folder and the validation of "config.plist".
// Besides never crashing or hanging, the run must keep to what the import promises: nothing is
// written outside the scratch folder, what is written there stays within the bounds (bytes and
// items), holds no link or special file and only "config.plist" and the asset folders; and
// every template or icon path of an accepted configuration lies inside its sub-folder of the
// shared folder.

#include "engine/model/QVAssetFile.h"
#include "engine/model/QVConfigArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <sys/stat.h>

namespace {

const QString kPassword = QStringLiteral("480913572266");

/// Lowered so that a run stays fast; the checks are the same as with the real bounds.
QVConfigArchive::Limits limits()
{
    QVConfigArchive::Limits l;
    l.maxEntries = 200;
    l.maxTotalSize = 4 << 20;
    l.ratioFloor = 64 << 10;
    l.maxRatio = 200;
    return l;
}

const QStringList& keys()
{
    static const QStringList all {
        "open new file",
        "array common path",
        "array new file",
        "array common app",
        "array common script",
        "array folder icon",
        "array right menu",
        "pref check",
        "pref check0",
        "pref check5",
        "common path next menu",
        "use count detail",
        "use count",
        "compress skip junk",
        "fold menu name",
        "is reviewed",
        "array borella",
        "array borella pro",
        "color picker format1",
        "new file display mode",
        "new file hide extension",
        "treat type",
    };
    return all;
}

struct Place
{
    QTemporaryDir root;
    QString archive;
    QString work;
    QString scratch;
    QString sentinel;
    QString shared;
    Place()
    {
        archive = root.filePath(QStringLiteral("in.zip"));
        work = root.filePath(QStringLiteral("work"));
        scratch = work + QStringLiteral("/scratch");
        sentinel = root.filePath(QStringLiteral("sentinel"));
        shared = root.filePath(QStringLiteral("group.com.valden.tarsel"));
        QFile file(sentinel);
        file.open(QIODevice::WriteOnly);
        file.write("untouched");
    }
};

Place& place()
{
    static Place p;
    return p;
}

void check(bool ok)
{
    if (!ok) {
        __builtin_trap();
    }
}

/// Only in.zip, the sentinel (unchanged) and work/scratch exist beside the scratch folder.
void checkNothingOutside(const Place& p)
{
    const QStringList top
        = QDir(p.root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : top) {
        check(name == QLatin1String("in.zip") || name == QLatin1String("work") || name == QLatin1String("sentinel"));
    }
    QFile sentinel(p.sentinel);
    check(sentinel.open(QIODevice::ReadOnly) && sentinel.readAll() == "untouched");
    const QStringList work
        = QDir(p.work).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    check(work.isEmpty() || work == QStringList { QStringLiteral("scratch") });
}

/// What lies in the scratch folder: regular files and folders only, bounded, of the asset
/// folders and config.plist.
void checkScratch(const Place& p)
{
    quint64 bytes = 0;
    qint64 items = 0;
    QDirIterator it(p.scratch, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st
        {
        };
        check(::lstat(QFile::encodeName(path).constData(), &st) == 0);
        check(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
        const QString relative = QDir(p.scratch).relativeFilePath(path);
        const QString first = relative.section(QLatin1Char('/'), 0, 0);
        check(relative == QVConfigArchive::kConfigPlistName || QVConfigArchive::assetFolders().contains(first));
        if (S_ISREG(st.st_mode)) {
            bytes += quint64(st.st_size);
            ++items;
        }
    }
    check(bytes <= limits().maxTotalSize);
    check(items <= limits().maxEntries);
}

void checkPaths(const QVariantMap& values, const QString& shared)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!it.key().startsWith(QLatin1String("array "))) {
            continue;
        }
        for (const QVariant& entry : it.value().toList()) {
            const QVariantMap map = entry.toMap();
            const QString templatePath = map.value(QStringLiteral("templatePath")).toString();
            const QString iconPath = map.value(QStringLiteral("iconPath")).toString();
            check(templatePath.isEmpty()
                  || !QVAssetFile::relativePath(templatePath, shared, QVAssetFile::Kind::Template).isNull());
            check(iconPath.isEmpty() || !QVAssetFile::relativePath(iconPath, shared, QVAssetFile::Kind::Icon).isNull());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Place& p = place();
    QDir(p.work).removeRecursively();
    QDir().mkpath(p.work);
    {
        QFile archive(p.archive);
        if (!archive.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        archive.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QString error;
    if (QVConfigArchive::unpack(p.archive, p.scratch, kPassword, limits(), &error)) {
        QVariantMap values;
        if (QVConfigArchive::readConfiguration(p.scratch + QLatin1Char('/') + QVConfigArchive::kConfigPlistName, keys(),
                                               p.shared, &values, &error)) {
            checkPaths(values, p.shared);
        }
    } else {
        check(!error.isEmpty());
    }
    checkNothingOutside(p);
    checkScratch(p);
    return 0;
}
