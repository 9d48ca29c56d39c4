#include "platform/Trash.h"

#include "platform/Paths.h"
#include "testsupport/ScratchVolume.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using platform::Trash;
using tarsel::test::inHome;
using tarsel::test::readFile;
using tarsel::test::ScratchVolume;
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
    const QString item = writeFile(inHome("docs/50% off #1.txt"), "x");
    QString trashed;
    QString error;
    ASSERT_TRUE(Trash::trashItem(item, &trashed, &error)) << qPrintable(error);
    const QString trash = platform::Paths::dataHome() + "/Trash";
    EXPECT_EQ(Trash::homeTrash(), trash);
    EXPECT_EQ(trashed, trash + "/files/50% off #1.txt");
    EXPECT_FALSE(QFile::exists(item));
    EXPECT_EQ(readFile(trashed), QByteArray("x"));

    const auto fields = infoFields(trash + "/info/50% off #1.txt.trashinfo");
    EXPECT_EQ(fields.value("Path"), QString::fromLatin1(QFile::encodeName(item).toPercentEncoding("/")));
    EXPECT_TRUE(fields.value("Path").contains("50%25%20off%20%231.txt"));
    const QDateTime when = QDateTime::fromString(fields.value("DeletionDate"), Qt::ISODate);
    ASSERT_TRUE(when.isValid());
    EXPECT_LE(qAbs(when.secsTo(QDateTime::currentDateTime())), 60);
}

TEST(TrashTest, SameNamesGetUniqueTrashNames)
{
    QStringList trashed;
    for (const char* folder : { "a", "b", "c" }) {
        const QString item = writeFile(inHome(QString::fromLatin1(folder) + "/same.txt"), folder);
        QString path;
        ASSERT_TRUE(Trash::trashItem(item, &path));
        trashed.append(path.section(QLatin1Char('/'), -1));
    }
    EXPECT_EQ(trashed, QStringList({ "same.txt", "same.2.txt", "same.3.txt" }));
    const QString info = Trash::homeTrash() + "/info/";
    EXPECT_TRUE(infoFields(info + "same.3.txt.trashinfo").value("Path").endsWith("/c/same.txt"));
    EXPECT_EQ(readFile(Trash::homeTrash() + "/files/same.2.txt"), QByteArray("b"));
}

TEST(TrashTest, RefusesTheTrashItselfAndMissingItems)
{
    writeFile(inHome("x"), "x");
    ASSERT_TRUE(Trash::trashItem(inHome("x")));
    QString error;
    EXPECT_FALSE(Trash::trashItem(Trash::homeTrash() + "/files/x", nullptr, &error));
    EXPECT_FALSE(Trash::trashItem(platform::Paths::dataHome(), nullptr, &error));
    EXPECT_TRUE(QFile::exists(Trash::homeTrash() + "/files/x"));
    EXPECT_FALSE(Trash::trashItem(inHome("missing"), nullptr, &error));
    EXPECT_TRUE(error.startsWith("Failed to move the item to the Trash."));
}

TEST(TrashTest, ItemOnAnotherFileSystemGoesToThatVolumesTrash)
{
    QTemporaryDir dir("/dev/shm/tarsel-trash-XXXXXX");
    struct stat a
    {
    }, b {};
    if (!dir.isValid() || ::stat("/dev/shm", &a) != 0 || ::stat(QFile::encodeName(testHome()).constData(), &b) != 0
        || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    const QString item = writeFile(dir.path() + "/far away.txt", "far");
    const QString volumeTrash = "/dev/shm/.Trash-" + QString::number(::getuid());
    const bool existed = QFile::exists(volumeTrash);
    QString trashed;
    QString error;
    ASSERT_TRUE(Trash::trashItem(item, &trashed, &error)) << qPrintable(error);
    EXPECT_TRUE(trashed.startsWith(volumeTrash + "/files/far away"));
    EXPECT_FALSE(QFile::exists(item));
    const QString name = trashed.section(QLatin1Char('/'), -1);
    const auto fields = infoFields(volumeTrash + "/info/" + name + ".trashinfo");
    // Relative to the volume's top folder.
    EXPECT_EQ(
        fields.value("Path"),
        QString::fromLatin1(QFile::encodeName(item.mid(QStringLiteral("/dev/shm/").size())).toPercentEncoding("/")));
    QFile::remove(trashed);
    QFile::remove(volumeTrash + "/info/" + name + ".trashinfo");
    if (!existed) {
        QDir(volumeTrash).removeRecursively();
    }
}

namespace {

// An account number that nobody on the test machine uses: the owner of what "another account"
// left on a shared disk.
constexpr uid_t kStranger = 4242;

QByteArray uidText()
{
    return QByteArray::number(::getuid());
}

bool makeFolder(const QString& path, mode_t mode, uid_t owner = ::geteuid())
{
    const QByteArray name = QFile::encodeName(path);
    return ::mkdir(name.constData(), mode) == 0 && ::chmod(name.constData(), mode) == 0
        && ::chown(name.constData(), owner, static_cast<gid_t>(-1)) == 0;
}

// Every entry below a folder, links not followed.
QStringList entriesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        names << it.next().mid(folder.size() + 1);
    }
    return names;
}

enum class Lands { PersonalTrash, SharedTrash, Nowhere };

struct VolumeCase
{
    const char* name;
    // Plants what other accounts left in the volume's top folder.
    std::function<void(const QString& top)> prepare;
    Lands lands;
    // A folder (relative to the top) that belongs to someone else and must get nothing.
    QString untouched;
    // What the refusal says.
    QString why;
};

void PrintTo(const VolumeCase& c, std::ostream* os)
{
    *os << c.name;
}

const QString kEvil = "evil";

QString personalName()
{
    return ".Trash-" + QString::fromLatin1(uidText());
}

QString sharedName()
{
    return ".Trash/" + QString::fromLatin1(uidText());
}

const QList<VolumeCase>& volumeCases()
{
    static const QList<VolumeCase> list = {
        // Another account made our personal trash before us: it could then read, delete or swap
        // whatever we trashed.
        { "PersonalTrashOfAnotherAccountIsRefused",
          [](const QString& top) { ASSERT_TRUE(makeFolder(top + '/' + personalName(), 0700, kStranger)); },
          Lands::Nowhere, personalName(), "belongs to another account" },
        { "PersonalTrashOpenToEveryoneIsRefused",
          [](const QString& top) { ASSERT_TRUE(makeFolder(top + '/' + personalName(), 0777)); }, Lands::Nowhere,
          personalName(), "has permissions 777, not 700" },
        { "PersonalTrashThatIsALinkIsRefused",
          [](const QString& top) {
              ASSERT_TRUE(makeFolder(top + '/' + kEvil, 0777, kStranger));
              ASSERT_TRUE(QFile::link(kEvil, top + '/' + personalName()));
          },
          Lands::Nowhere, kEvil, "is a symbolic link" },
        // A link to a sticky folder holding a private folder of ours is still a link.
        { "SharedTrashThatIsALinkIsPassedOver",
          [](const QString& top) {
              ASSERT_TRUE(makeFolder(top + '/' + kEvil, 01777, kStranger));
              ASSERT_TRUE(makeFolder(top + '/' + kEvil + '/' + QString::fromLatin1(uidText()), 0700));
              ASSERT_TRUE(QFile::link(kEvil, top + "/.Trash"));
          },
          Lands::PersonalTrash, kEvil + '/' + QString::fromLatin1(uidText()), QString() },
        // Without the sticky bit anyone may rename our folder in it away and put another in its place.
        { "SharedTrashThatIsNotStickyIsPassedOver",
          [](const QString& top) {
              ASSERT_TRUE(makeFolder(top + "/.Trash", 0777, kStranger));
              ASSERT_TRUE(makeFolder(top + '/' + sharedName(), 0700));
          },
          Lands::PersonalTrash, sharedName(), QString() },
        { "SharedTrashWithAnotherAccountsFolderIsPassedOver",
          [](const QString& top) {
              ASSERT_TRUE(makeFolder(top + "/.Trash", 01777));
              ASSERT_TRUE(makeFolder(top + '/' + sharedName(), 0700, kStranger));
          },
          Lands::PersonalTrash, sharedName(), QString() },
        { "StickySharedTrashWithOurPrivateFolderIsUsed",
          [](const QString& top) {
              ASSERT_TRUE(makeFolder(top + "/.Trash", 01777));
              ASSERT_TRUE(makeFolder(top + '/' + sharedName(), 0700));
          },
          Lands::SharedTrash, QString(), QString() },
        { "StickySharedTrashGetsOurPrivateFolderMade",
          [](const QString& top) { ASSERT_TRUE(makeFolder(top + "/.Trash", 01777)); }, Lands::SharedTrash, QString(),
          QString() },
        { "NoTrashYetMakesAPrivatePersonalOne", [](const QString&) {}, Lands::PersonalTrash, QString(), QString() },
    };
    return list;
}

using TrashVolumeTest = testing::TestWithParam<VolumeCase>;

} // namespace

// An item on a shared disk goes only to a trash folder that is this user's alone; a planted,
// linked or open folder gets nothing, and the item then stays where it is with the reason.
TEST_P(TrashVolumeTest, ItemGoesOnlyToAPrivateTrashOfTheVolume)
{
    const VolumeCase& c = GetParam();
    const ScratchVolume volume(inHome("disk"));
    if (!volume.ok()) {
        GTEST_SKIP() << qPrintable(volume.why());
    }
    const QString top = volume.path();
    c.prepare(top);
    const QString item = writeFile(top + "/papers/secret.txt", "mine");

    QString trashed;
    QString error;
    const bool moved = Trash::trashItem(item, &trashed, &error);

    if (!c.untouched.isEmpty()) {
        EXPECT_EQ(entriesBelow(top + '/' + c.untouched), QStringList()) << qPrintable(c.untouched);
    }
    if (c.lands == Lands::Nowhere) {
        EXPECT_FALSE(moved) << qPrintable(trashed);
        EXPECT_EQ(readFile(item), QByteArray("mine"));
        EXPECT_TRUE(error.contains(c.why)) << qPrintable(error);
        EXPECT_TRUE(error.contains("the item was left in place")) << qPrintable(error);
        EXPECT_FALSE(QFile::exists(Trash::homeTrash() + "/files/secret.txt"));
        return;
    }
    ASSERT_TRUE(moved) << qPrintable(error);
    const QString trash = top + '/' + (c.lands == Lands::SharedTrash ? sharedName() : personalName());
    EXPECT_EQ(trashed, trash + "/files/secret.txt");
    EXPECT_FALSE(QFileInfo::exists(item));
    EXPECT_EQ(readFile(trash + "/files/secret.txt"), QByteArray("mine"));
    EXPECT_EQ(infoFields(trash + "/info/secret.txt.trashinfo").value("Path"), "papers/secret.txt");
    for (const QString& folder : { trash, trash + "/files", trash + "/info" }) {
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0) << qPrintable(folder);
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << qPrintable(folder);
        EXPECT_EQ(st.st_uid, ::geteuid()) << qPrintable(folder);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << qPrintable(folder);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TrashVolumeTest, testing::ValuesIn(volumeCases()), tarsel::test::caseName<VolumeCase>);

namespace {

struct LongNameCase
{
    const char* name;
    // Items trashed one after the other, all from one folder.
    QStringList items;
    // The extension each trash name keeps ("" for none).
    QString extension;
    // The items are folders (with a file inside) rather than files.
    bool folders = false;
};

void PrintTo(const LongNameCase& c, std::ostream* os)
{
    *os << c.name;
}

QString repeated(const QString& text, int times)
{
    return text.repeated(times);
}

const QList<LongNameCase>& longNameCases()
{
    static const QList<LongNameCase> list = {
        // 245 bytes: its record name is exactly 255 bytes, so the name is kept as it is.
        { "Name245BytesIsKept", { repeated("k", 241) + ".txt" }, ".txt" },
        { "Name250Bytes", { repeated("a", 246) + ".txt" }, ".txt" },
        { "Name251Bytes", { repeated("b", 247) + ".txt" }, ".txt" },
        { "Name255Bytes", { repeated("c", 251) + ".txt" }, ".txt" },
        // Two-byte characters: 254 bytes; a cut inside a character would leave a name that is not UTF-8.
        { "TwoByteCharactersNearTheLimit", { repeated("\u00e9", 125) + ".txt" }, ".txt" },
        { "ThreeByteCharactersNearTheLimit", { "x" + repeated("\u6587", 83) + ".md" }, ".md" },
        // Four-byte characters are two UTF-16 units each: 251 bytes.
        { "FourByteCharactersNearTheLimit", { repeated("\U0001F600", 62) + ".md" }, ".md" },
        { "LongNamesSharingAPrefixStayApart",
          { repeated("p", 240) + "-one.txt", repeated("p", 240) + "-two.txt", repeated("p", 240) + "-six.txt" },
          ".txt" },
        { "LongNameWithALongTailAfterItsDot", { "notes." + repeated("t", 249) }, QString() },
        { "LongFolderName", { repeated("f", 255) }, QString(), true },
    };
    return list;
}

using TrashLongNameTest = testing::TestWithParam<LongNameCase>;

} // namespace

// A name of 251 bytes or more could not be trashed: its record "<name>.trashinfo" is longer
// than a file name may be. The trash name is cut; the record keeps the original path.
TEST_P(TrashLongNameTest, LongNameIsTrashedWithItsOriginalPathRecorded)
{
    const LongNameCase& c = GetParam();
    const QString folder = inHome("long");
    QStringList trashNames;
    for (const QString& name : c.items) {
        ASSERT_LE(QFile::encodeName(name).size(), NAME_MAX) << qPrintable(name);
        const QString item = folder + '/' + name;
        if (c.folders) {
            ASSERT_TRUE(QDir().mkpath(item));
            writeFile(item + "/inside.txt", name.toUtf8());
        } else {
            writeFile(item, name.toUtf8());
        }
        QString trashed;
        QString error;
        ASSERT_TRUE(Trash::trashItem(item, &trashed, &error)) << qPrintable(error);
        EXPECT_FALSE(QFileInfo::exists(item));
        ASSERT_TRUE(trashed.startsWith(Trash::homeTrash() + "/files/")) << qPrintable(trashed);
        const QString trashName = trashed.section('/', -1);
        const QByteArray bytes = QFile::encodeName(trashName);
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "not UTF-8";
        EXPECT_FALSE(trashName.contains(QChar::ReplacementCharacter));
        EXPECT_LE(bytes.size() + qsizetype(sizeof(".trashinfo") - 1), NAME_MAX);
        if (QFile::encodeName(name).size() + 10 <= NAME_MAX) {
            EXPECT_EQ(trashName, name);
        }
        EXPECT_TRUE(trashName.endsWith(c.extension)) << qPrintable(trashName);
        EXPECT_EQ(readFile(c.folders ? trashed + "/inside.txt" : trashed), name.toUtf8());
        const QString info = Trash::homeTrash() + "/info/" + trashName + ".trashinfo";
        const QString recorded = infoFields(info).value("Path");
        EXPECT_EQ(QUrl::fromPercentEncoding(recorded.toLatin1()), item);
        EXPECT_EQ(recorded, QString::fromLatin1(QFile::encodeName(item).toPercentEncoding("/")));
        trashNames << trashName;
    }
    EXPECT_EQ(QSet<QString>(trashNames.begin(), trashNames.end()).size(), c.items.size())
        << qPrintable(trashNames.join('\n'));
    EXPECT_EQ(entriesBelow(Trash::homeTrash() + "/info").size(), c.items.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, TrashLongNameTest, testing::ValuesIn(longNameCases()),
                         tarsel::test::caseName<LongNameCase>);
