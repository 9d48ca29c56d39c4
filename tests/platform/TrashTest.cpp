#include "platform/Trash.h"

#include "platform/Paths.h"
#include "testsupport/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::Trash;
using tarsel::test::inHome;
using tarsel::test::readFile;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QMap<QString, QString> infoFields(const QString& infoFile)
{
    QMap<QString, QString> fields;
    const QList<QByteArray> lines = readFile(infoFile).split('\n');
    EXPECT_EQ(lines.value(0), QByteArray("[Trash Info]"));
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            fields.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return fields;
}

} // namespace

TEST(TrashTest, ItemGoesToTheHomeTrashWithItsRecord)
{
    const QString item = writeFile(inHome(QStringLiteral("docs/50% off #1.txt")), "x");
    QString trashed;
    QString error;
    ASSERT_TRUE(Trash::trashItem(item, &trashed, &error)) << qPrintable(error);
    const QString trash = platform::Paths::dataHome() + QStringLiteral("/Trash");
    EXPECT_EQ(Trash::homeTrash(), trash);
    EXPECT_EQ(trashed, trash + QStringLiteral("/files/50% off #1.txt"));
    EXPECT_FALSE(QFile::exists(item));
    EXPECT_EQ(readFile(trashed), QByteArray("x"));

    const auto fields = infoFields(trash + QStringLiteral("/info/50% off #1.txt.trashinfo"));
    EXPECT_EQ(fields.value(QStringLiteral("Path")),
              QString::fromLatin1(QFile::encodeName(item).toPercentEncoding("/")));
    EXPECT_TRUE(fields.value(QStringLiteral("Path")).contains(QStringLiteral("50%25%20off%20%231.txt")));
    const QDateTime when = QDateTime::fromString(fields.value(QStringLiteral("DeletionDate")), Qt::ISODate);
    ASSERT_TRUE(when.isValid());
    EXPECT_LE(qAbs(when.secsTo(QDateTime::currentDateTime())), 60);
}

TEST(TrashTest, SameNamesGetUniqueTrashNames)
{
    QStringList trashed;
    for (const char* folder : { "a", "b", "c" }) {
        const QString item = writeFile(inHome(QString::fromLatin1(folder) + QStringLiteral("/same.txt")), folder);
        QString path;
        ASSERT_TRUE(Trash::trashItem(item, &path));
        trashed.append(path.section(QLatin1Char('/'), -1));
    }
    EXPECT_EQ(trashed,
              QStringList({ QStringLiteral("same.txt"), QStringLiteral("same.2.txt"), QStringLiteral("same.3.txt") }));
    const QString info = Trash::homeTrash() + QStringLiteral("/info/");
    EXPECT_TRUE(infoFields(info + QStringLiteral("same.3.txt.trashinfo"))
                    .value(QStringLiteral("Path"))
                    .endsWith(QStringLiteral("/c/same.txt")));
    EXPECT_EQ(readFile(Trash::homeTrash() + QStringLiteral("/files/same.2.txt")), QByteArray("b"));
}

TEST(TrashTest, RefusesTheTrashItselfAndMissingItems)
{
    writeFile(inHome(QStringLiteral("x")), "x");
    ASSERT_TRUE(Trash::trashItem(inHome(QStringLiteral("x"))));
    QString error;
    EXPECT_FALSE(Trash::trashItem(Trash::homeTrash() + QStringLiteral("/files/x"), nullptr, &error));
    EXPECT_FALSE(Trash::trashItem(platform::Paths::dataHome(), nullptr, &error));
    EXPECT_TRUE(QFile::exists(Trash::homeTrash() + QStringLiteral("/files/x")));
    EXPECT_FALSE(Trash::trashItem(inHome(QStringLiteral("missing")), nullptr, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to move the item to the Trash.")));
}

TEST(TrashTest, ItemOnAnotherFileSystemGoesToThatVolumesTrash)
{
    QTemporaryDir dir(QStringLiteral("/dev/shm/tarsel-trash-XXXXXX"));
    struct stat a
    {
    }, b {};
    if (!dir.isValid() || ::stat("/dev/shm", &a) != 0 || ::stat(QFile::encodeName(testHome()).constData(), &b) != 0
        || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    const QString item = writeFile(dir.path() + QStringLiteral("/far away.txt"), "far");
    const QString volumeTrash = QStringLiteral("/dev/shm/.Trash-") + QString::number(::getuid());
    const bool existed = QFile::exists(volumeTrash);
    QString trashed;
    QString error;
    ASSERT_TRUE(Trash::trashItem(item, &trashed, &error)) << qPrintable(error);
    EXPECT_TRUE(trashed.startsWith(volumeTrash + QStringLiteral("/files/far away")));
    EXPECT_FALSE(QFile::exists(item));
    const QString name = trashed.section(QLatin1Char('/'), -1);
    const auto fields = infoFields(volumeTrash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    // Relative to the volume's top folder.
    EXPECT_EQ(
        fields.value(QStringLiteral("Path")),
        QString::fromLatin1(QFile::encodeName(item.mid(QStringLiteral("/dev/shm/").size())).toPercentEncoding("/")));
    QFile::remove(trashed);
    QFile::remove(volumeTrash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    if (!existed) {
        QDir(volumeTrash).removeRecursively();
    }
}
