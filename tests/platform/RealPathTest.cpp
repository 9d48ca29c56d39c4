#include "platform/RealPath.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tarsel::test::testHome;

// The test's home with a folder "a/b", a file "a/b/f", and links "a/up" (to ".."), "a/abs" (to
// the home's "a/b"), "a/file" (to "b/f"), "a/loop" (to itself) and "a/gone" (to nothing).
QByteArray tree()
{
    const QString root = testHome() + QStringLiteral("/t");
    QDir().mkpath(root + QStringLiteral("/a/b"));
    tarsel::test::writeFile(root + QStringLiteral("/a/b/f"), "x");
    QFile::link(QStringLiteral(".."), root + QStringLiteral("/a/up"));
    QFile::link(root + QStringLiteral("/a/b"), root + QStringLiteral("/a/abs"));
    QFile::link(QStringLiteral("b/f"), root + QStringLiteral("/a/file"));
    QFile::link(QStringLiteral("loop"), root + QStringLiteral("/a/loop"));
    QFile::link(QStringLiteral("nowhere"), root + QStringLiteral("/a/gone"));
    // The home itself may lie under a link (a /tmp that is one): compare with its real form.
    return QFile::encodeName(QDir(root).canonicalPath());
}

struct Resolution
{
    const char* given;
    bool followLast;
    const char* expected; // null: fails with the error code below
    int code;
};

} // namespace

TEST(RealPathTest, ResolvesFoldersAboveAndKeepsTheLastLink)
{
    const QByteArray t = tree();
    const Resolution table[] = {
        { "/a//b/./f", false, "/a/b/f", 0 },
        { "/a/b/f/", false, "/a/b/f", 0 },
        { "/a/b/..", false, "/a", 0 },
        { "/a/up/a/b", false, "/a/b", 0 },
        { "/a/abs/f", false, "/a/b/f", 0 },
        { "/a/abs/../b", false, "/a/b", 0 }, // ".." after a link leaves the link's target
        { "/a/file", false, "/a/file", 0 }, // the selected link stays the link
        { "/a/file", true, "/a/b/f", 0 },
        { "/a/abs/.", false, "/a/b", 0 },
        { "/a/gone", false, "/a/gone", 0 }, // a dangling link can still be acted on
        { "/a/gone", true, nullptr, ENOENT },
        { "/a/loop/x", false, nullptr, ELOOP },
        { "/a/b/f/x", false, nullptr, ENOTDIR },
        { "/a/missing", false, nullptr, ENOENT },
    };
    for (const Resolution& row : table) {
        int code = 0;
        QString error;
        const auto result = platform::realpath::canonicalPath(t + row.given, row.followLast, &error, &code);
        if (row.expected) {
            ASSERT_TRUE(result) << row.given << ": " << error.toStdString();
            EXPECT_EQ(*result, t + row.expected) << row.given;
        } else {
            EXPECT_FALSE(result) << row.given;
            EXPECT_EQ(code, row.code) << row.given;
            EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to resolve the path. File: \"")))
                << error.toStdString();
        }
    }
    EXPECT_EQ(platform::realpath::canonicalPath("//", false, nullptr), QByteArray("/"));
    EXPECT_EQ(platform::realpath::canonicalPath("/tmp/..", false, nullptr), QByteArray("/"));
    EXPECT_FALSE(platform::realpath::canonicalPath("relative", false, nullptr));
}

// A fixed buffer of 4096 bytes lost every folder deeper than that.
TEST(RealPathTest, FoldersDeeperThanAPageResolve)
{
    const QByteArray t = tree();
    const QByteArray name(200, 'd');
    // One handle per level: the tree is made and removed folder by folder, as no path call
    // takes its full length.
    std::vector<int> levels { ::open(t.constData(), O_PATH | O_DIRECTORY) };
    ASSERT_GE(levels.back(), 0);
    QByteArray deep = t;
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(levels.back(), name.constData(), 0700), 0);
        levels.push_back(::openat(levels.back(), name.constData(), O_PATH | O_DIRECTORY));
        ASSERT_GE(levels.back(), 0);
        deep += '/' + name;
    }
    const int fd = levels.back();
    ASSERT_GT(deep.size(), 4096);
    const auto resolved = platform::realpath::canonicalPath(deep + "/./../" + name, false, nullptr);
    EXPECT_EQ(resolved, deep);

    // The working folder at that depth is read in full, and again after the process left it.
    const int home = ::open(".", O_PATH | O_DIRECTORY);
    ASSERT_EQ(::fchdir(fd), 0);
    EXPECT_EQ(platform::realpath::workingFolder(nullptr), deep);
    ASSERT_EQ(::fchdir(home), 0);
    ::close(home);
    ::close(levels.back());
    levels.pop_back();
    while (!levels.empty()) {
        EXPECT_EQ(::unlinkat(levels.back(), name.constData(), AT_REMOVEDIR), 0);
        ::close(levels.back());
        levels.pop_back();
    }
}

TEST(RealPathTest, NamesThatAreNotUtf8AreFoundWithTheirFolder)
{
    EXPECT_TRUE(platform::realpath::decodesExactly("/tmp/caf\xc3\xa9"));
    EXPECT_FALSE(platform::realpath::decodesExactly("/tmp/r\xff.txt"));
    EXPECT_EQ(platform::realpath::folderOfUndecodableName("/tmp/caf\xc3\xa9/r\xff/x"), QByteArray("/tmp/caf\xc3\xa9"));
    EXPECT_EQ(platform::realpath::folderOfUndecodableName("/\xfe"), QByteArray("/"));
    EXPECT_EQ(platform::realpath::folderOfUndecodableName("/tmp/a"), std::nullopt);
}

// A selection resolves its folder once: every path, asked in any order and again, has the answer,
// the error code and the message of canonicalPath, also where the last name is a link to follow,
// and also after a folder gave so many items that its entries were read in one pass.
TEST(RealPathTest, ResolverAnswersAsCanonicalPathForEveryItemOfAFolder)
{
    const QByteArray t = tree();
    const char* const givens[] = {
        "/a/b/f",  "/a//b/./f",    "/a/b/f/",  "/a/abs/f",   "/a/up/a/b/f", "/a/file", "/a/gone",
        "/a/loop", "/a/loop/x",    "/a/b/f/x", "/a/missing", "/a/b",        "/a/b/..", "/a/abs/.",
        "/a/abs",  "/a/b/missing", "/a/up/a",  "/a/file/",   "/a",          "/",
    };
    for (const bool followLast : { false, true }) {
        platform::realpath::Resolver resolver(followLast);
        for (int pass = 0; pass < 16; ++pass) {
            for (const char* given : givens) {
                const QByteArray path = std::string_view(given) == "/" ? QByteArray("/") : t + given;
                int code = 0;
                int expectedCode = 0;
                QString error;
                QString expectedError;
                const auto expected
                    = platform::realpath::canonicalPath(path, followLast, &expectedError, &expectedCode);
                EXPECT_EQ(resolver.canonicalPath(path, &error, &code), expected) << given << " " << followLast;
                EXPECT_EQ(code, expectedCode) << given;
                EXPECT_EQ(error, expectedError) << given;
            }
        }
    }
}
