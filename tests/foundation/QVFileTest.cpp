#include "foundation/QVFile.h"

#include "foundation/StringExpandDigest.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "testsupport/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QString under(const QString& relative)
{
    return testHome() + QStringLiteral("/files/") + relative;
}

QString makeFolder(const QString& relative)
{
    const QString path = under(relative);
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
}

QStringList childNames(QVFile& file)
{
    QStringList names;
    for (const auto& child : file.children()) {
        names << child->filename();
    }
    names.sort();
    return names;
}

} // namespace

TEST(QVFileTest, NamesAndExtensions)
{
    const QVFile folder(QStringLiteral("/data/My.Folder"));
    EXPECT_EQ(folder.filename(), QStringLiteral("My.Folder"));
    EXPECT_EQ(folder.name(), QStringLiteral("My"));
    EXPECT_EQ(folder.ext(), QStringLiteral("folder"));
    EXPECT_EQ(folder.folder(), QStringLiteral("/data"));
    EXPECT_EQ(folder.url(), QUrl(QStringLiteral("file:///data/My.Folder")));

    EXPECT_EQ(QVFile(QStringLiteral("/a/archive.part1.rar")).simpleName(), QStringLiteral("archive"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/file.001.zip")).simpleName(), QStringLiteral("file.001"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/photo.jpg")).simpleName(), QStringLiteral("photo"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/a.tar.gz")).simpleName(), QStringLiteral("a"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/a.tar.gz")).name(), QStringLiteral("a.tar"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/Report.PDF")).ext(), QStringLiteral("pdf"));

    // A leading or trailing dot starts no extension.
    const QVFile profile(QStringLiteral("/home/u/.profile"));
    EXPECT_EQ(profile.name(), QStringLiteral(".profile"));
    EXPECT_EQ(profile.ext(), QString());
    EXPECT_TRUE(profile.isHideFile());
    EXPECT_EQ(QVFile(QStringLiteral("/a/name.")).ext(), QString());
    EXPECT_EQ(QVFile(QStringLiteral("/a/name.")).simpleName(), QStringLiteral("name."));

    // Paths with blanks escaped by a backslash split at "/" only.
    const QVFile escaped(QStringLiteral("/my\\ docs/old\\ notes.txt"));
    EXPECT_EQ(escaped.folder(), QStringLiteral("/my\\ docs"));
    EXPECT_EQ(escaped.filename(), QStringLiteral("old\\ notes.txt"));
    EXPECT_EQ(escaped.name(), QStringLiteral("old\\ notes"));

    EXPECT_EQ(QVFile(QStringLiteral("/top")).folder(), QStringLiteral("/"));
    EXPECT_EQ(QVFile(QStringLiteral("/a/b/")).filename(), QStringLiteral("b"));

    const QVFile none;
    EXPECT_EQ(none.filename(), QString());
    EXPECT_EQ(none.ext(), QString());
    EXPECT_FALSE(none.isFolder());
    EXPECT_FALSE(none.isHideFile());
}

TEST(QVFileTest, ExtensionListsAreExact)
{
    EXPECT_TRUE(QVFile(QStringLiteral("/x/a.PNG")).isImage());
    EXPECT_TRUE(QVFile(QStringLiteral("/x/a.jp2")).isImage());
    // Not in the list, although the platform can read them.
    EXPECT_FALSE(QVFile(QStringLiteral("/x/a.webp")).isImage());
    EXPECT_FALSE(QVFile(QStringLiteral("/x/a.heic")).isImage());
    EXPECT_TRUE(QVFile(QStringLiteral("/x/b.azw3")).isKindle());
    EXPECT_FALSE(QVFile(QStringLiteral("/x/b.epub")).isKindle());
    EXPECT_TRUE(QVFile(QStringLiteral("/x/winmail.dat")).isTnef());
    EXPECT_TRUE(QVFile(QStringLiteral("/x/c.tnef")).isTnef());
    EXPECT_TRUE(QVFile(QStringLiteral("/x/help.CHM")).isCHM());
}

TEST(QVFileTest, TypeTestsOnRealItems)
{
    const QString folder = makeFolder(QStringLiteral("Plain"));
    const QString package = makeFolder(QStringLiteral("Tool.app"));
    const QString file = writeFile(under(QStringLiteral("x.app")), "not a folder");
    const QString link = under(QStringLiteral("link-to-folder"));
    ASSERT_TRUE(QFile::link(folder, link));

    EXPECT_TRUE(QVFile(folder).isFolder());
    EXPECT_FALSE(QVFile(folder).isPackage());
    EXPECT_TRUE(QVFile(package).isPackage());
    EXPECT_FALSE(QVFile(file).isFolder());
    EXPECT_FALSE(QVFile(file).isPackage());
    EXPECT_FALSE(QVFile(link).isFolder());
    EXPECT_FALSE(QVFile(under(QStringLiteral("missing"))).isFolder());

    EXPECT_TRUE(QVFile(platform::Paths::desktop()).isDesktop());
    EXPECT_FALSE(QVFile(platform::Paths::desktop() + QStringLiteral("/inner")).isDesktop());

    const QString user = platform::Paths::userName();
    EXPECT_TRUE(QVFile(QStringLiteral("/media/%1/USB/file.txt").arg(user)).isVolumes());
    EXPECT_TRUE(QVFile(QStringLiteral("/mnt/disk")).isVolumes());
    EXPECT_FALSE(QVFile(QStringLiteral("/mntx/disk")).isVolumes());
    EXPECT_FALSE(QVFile(QStringLiteral("/mnt")).isVolumes());
    EXPECT_FALSE(QVFile(testHome()).isVolumes());
}

TEST(QVFileTest, SizeAndDates)
{
    const QString file = writeFile(under(QStringLiteral("data.bin")), QByteArray(1500, 'x'));
    const QVFile f(file);
    EXPECT_EQ(f.size(), QStringLiteral("1.50 KB"));

    const QString modified = f.modifyDate();
    EXPECT_EQ(modified, QFileInfo(file).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const QDateTime created = QDateTime::fromString(f.createDate(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(created.isValid());
    EXPECT_LE(std::abs(created.secsTo(QDateTime::currentDateTime())), 120);

    // A folder counts its contents.
    writeFile(under(QStringLiteral("sized/a")), QByteArray(600, 'a'));
    writeFile(under(QStringLiteral("sized/sub/b")), QByteArray(600, 'b'));
    EXPECT_TRUE(QVFile(under(QStringLiteral("sized"))).size().endsWith(QStringLiteral(" KB")));

    const QVFile missing(under(QStringLiteral("nothing-here")));
    EXPECT_EQ(missing.size(), QStringLiteral("0.00 B"));
    EXPECT_EQ(missing.createDate(), QString());
    EXPECT_FALSE(missing.createDate().isNull());
    EXPECT_EQ(missing.modifyDate(), QString());
}

TEST(QVFileTest, ChildrenAreVisibleEntriesReadOnce)
{
    const QString folder = makeFolder(QStringLiteral("tree"));
    writeFile(folder + QStringLiteral("/a.txt"), "a");
    writeFile(folder + QStringLiteral("/.hidden"), "h");
    makeFolder(QStringLiteral("tree/sub"));
    makeFolder(QStringLiteral("tree/.git"));

    auto root = QVFile::fileWithPath(folder);
    EXPECT_EQ(childNames(*root), (QStringList { QStringLiteral("a.txt"), QStringLiteral("sub") }));
    for (const auto& child : root->children()) {
        EXPECT_EQ(child->parent(), root);
        EXPECT_TRUE(child->path().startsWith(folder + QLatin1Char('/')));
    }

    // Later reads answer the same objects, even when the folder changed meanwhile.
    const auto first = root->children();
    writeFile(folder + QStringLiteral("/b.txt"), "b");
    EXPECT_EQ(root->children(), first);
    EXPECT_EQ(childNames(*QVFile::fileWithPath(folder)).size(), 3);

    // Children refer back weakly: a kept child outlives its freed folder object.
    std::shared_ptr<QVFile> kept = first.first();
    root.reset();
    EXPECT_EQ(kept->parent(), nullptr);

    auto replaced = QVFile::fileWithPath(folder);
    replaced->setChildren({ QVFile::fileWithPath(QStringLiteral("/elsewhere")) });
    ASSERT_EQ(replaced->children().size(), 1);
    EXPECT_EQ(replaced->children().first()->path(), QStringLiteral("/elsewhere"));
}

TEST(QVFileTest, ChildrenOfDotFilesFilesAndMissingAreEmpty)
{
    const QString dots = makeFolder(QStringLiteral("dots"));
    writeFile(dots + QStringLiteral("/.a"), "a");
    writeFile(dots + QStringLiteral("/.b"), "b");
    EXPECT_TRUE(QVFile::fileWithPath(dots)->children().isEmpty());

    const QString file = writeFile(under(QStringLiteral("plain.txt")), "x");
    EXPECT_TRUE(QVFile::fileWithPath(file)->children().isEmpty());
    EXPECT_TRUE(QVFile::fileWithPath(under(QStringLiteral("missing")))->children().isEmpty());

    // A wrapper on the stack lists children too; they just have no parent object.
    writeFile(dots + QStringLiteral("/seen"), "s");
    QVFile local(dots);
    ASSERT_EQ(local.children().size(), 1);
    EXPECT_EQ(local.children().first()->parent(), nullptr);
}

TEST(QVFileTest, ScratchFolderIsPrivateStableAndRemovable)
{
    const QString support = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    const QString file = writeFile(under(QStringLiteral("archive.zip")), "zip contents");

    QVFile f(file);
    const QString scratch = f.tempPath();
    EXPECT_EQ(scratch, support + QStringLiteral("/.") + qv::md5HashOfFileAtPath(file));
    ASSERT_TRUE(QFileInfo(scratch).isDir());
    const QString unpacked = writeFile(scratch + QStringLiteral("/unpacked.txt"), "u");

    // The second read neither moves nor empties it.
    EXPECT_EQ(f.tempPath(), scratch);
    EXPECT_TRUE(QFile::exists(unpacked));

    // Another wrapper of the same contents gets a fresh, empty folder of the same name.
    QVFile other(file);
    EXPECT_EQ(other.tempPath(), scratch);
    EXPECT_FALSE(QFile::exists(unpacked));

    f.removeTempPath();
    EXPECT_FALSE(QFileInfo::exists(scratch));
    EXPECT_EQ(f.tempPath(), scratch);
    EXPECT_TRUE(QFileInfo(scratch).isDir());
    EXPECT_TRUE(QDir(scratch).isEmpty());

    // Items without readable contents share the scratch name of empty input; a missing path is
    // named after its name. Either way the folder stays inside the private folder.
    QVFile folder(makeFolder(QStringLiteral("some folder")));
    EXPECT_EQ(folder.tempPath(), support + QStringLiteral("/.d41d8cd98f00b204e9800998ecf8427e"));
    QVFile missing(under(QStringLiteral("gone.tar.gz")));
    EXPECT_EQ(missing.tempPath(), support + QStringLiteral("/.gone.tar"));
    EXPECT_TRUE(QVFile().tempPath().isNull());
}
