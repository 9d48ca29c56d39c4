// Commands that could not do what was asked, chosen in a real tarsel-finder process: each must
// say what failed and why, and the host must end with a failure. A Hide or Unhide refused because
// the hidden list is a link ended with exit status 0, and an Unembed stopped by a mount point
// inside the folder said only "Something went wrong".

#include "tests/host/HostRun.h"
#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>

using namespace tarsel::test;

namespace {

struct FailureCase
{
    const char* name;
    const char* key; ///< the main-menu entry picked
    /// Prepares the files; answers the path the entry is picked on.
    std::function<QString()> prepare;
    /// The host runs inside a private mount namespace where this folder (of the home) has a file
    /// system of its own mounted; empty for none.
    QString mountAt;
    QStringList errContains; ///< "%H" stands for the test's home
    std::function<void()> check;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

QString home()
{
    return testHome();
}

// A folder whose hidden list is a link to a file of the user: neither command may write through it.
QString linkedList()
{
    const QString folder = home() + QStringLiteral("/shared");
    const QString victim = writeFile(home() + QStringLiteral("/victim.txt"), "untouched\n");
    QDir().mkpath(folder);
    QFile::link(victim, folder + QStringLiteral("/.hidden"));
    return writeFile(folder + QStringLiteral("/report.txt"), "x");
}

void listStaysALink()
{
    EXPECT_EQ(readFile(home() + QStringLiteral("/victim.txt")), QByteArray("untouched\n"));
    EXPECT_TRUE(QFileInfo(home() + QStringLiteral("/shared/.hidden")).isSymLink());
}

const QList<FailureCase>& cases()
{
    static const QList<FailureCase> list = {
        { "HideWithTheHiddenListALink",
          "Hide Selected Files",
          linkedList,
          QString(),
          { QStringLiteral("Failed to read the hidden list. File: \"%H/shared/.hidden\". Error: \"it is a symbolic "
                           "link") },
          listStaysALink },
        { "UnhideWithTheHiddenListALink",
          "Unhide Selected Files",
          linkedList,
          QString(),
          { QStringLiteral("Failed to read the hidden list. File: \"%H/shared/.hidden\". Error: \"it is a symbolic "
                           "link") },
          listStaysALink },
        { "UnembedStoppedByAMountPoint",
          "Unembed Folder",
          [] {
              const QString folder = home() + QStringLiteral("/box");
              writeFile(folder + QStringLiteral("/a.txt"), "a");
              writeFile(folder + QStringLiteral("/z.txt"), "z");
              QDir().mkpath(folder + QStringLiteral("/m disk"));
              return folder;
          },
          QStringLiteral("box/m disk"),
          { QStringLiteral("Failed to unembed the folder. File: \"%H/box\". Error: \"\"m disk\" is a mount point"),
            QStringLiteral("These entries stayed in it: \"m disk\", \"z.txt\"") },
          [] {
              // What moved is in the parent; what stayed is in the folder under its own name.
              EXPECT_EQ(readFile(home() + QStringLiteral("/a.txt")), QByteArray("a"));
              EXPECT_EQ(readFile(home() + QStringLiteral("/box/z.txt")), QByteArray("z"));
              EXPECT_TRUE(QFileInfo(home() + QStringLiteral("/box/m disk")).isDir());
              EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/.box")));
          } },
    };
    return list;
}

// The tag of the entry with that key in the menu the host prints for the path, or -1.
int tagOfKey(const QString& path, const QString& key)
{
    return tagOfKeyInMenu(menuJson({ path }), key);
}

class FinderHostFailureReportTest : public testing::TestWithParam<FailureCase>
{
};

} // namespace

TEST_P(FinderHostFailureReportTest, SaysWhatFailedAndEndsInFailure)
{
    const FailureCase& c = GetParam();
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (!c.mountAt.isEmpty() && unshare.isEmpty()) {
        GTEST_SKIP() << "no unshare program to mount a file system privately";
    }
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QString::fromUtf8(c.key)) });
    QVMenuManager::sharedDefaults().setValue(QStringLiteral("is reviewed"), true);
    const QString path = c.prepare();
    const int tag = tagOfKey(path, QString::fromUtf8(c.key));
    ASSERT_GT(tag, 0);

    QProcess process;
    process.setProcessEnvironment(hostEnvironment());
    const QStringList pick = { QStringLiteral("pick"), QString::number(tag), path };
    if (c.mountAt.isEmpty()) {
        process.start(QStringLiteral(TARSEL_FINDER_PROGRAM), pick);
    } else {
        // The mount lives only in the host's own namespace and ends with it.
        const QString script = QStringLiteral("mount -t tmpfs tarsel-test \"$1\" || exit 97; shift; exec \"$@\"");
        process.start(unshare,
                      QStringList { QStringLiteral("-m"), QStringLiteral("--propagation"), QStringLiteral("private"),
                                    QStringLiteral("/bin/sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
                                    home() + QLatin1Char('/') + c.mountAt, QStringLiteral(TARSEL_FINDER_PROGRAM) }
                          + pick);
    }
    ASSERT_TRUE(process.waitForFinished(60000)) << "the host did not finish";
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (process.exitCode() == 97) {
        GTEST_SKIP() << "no file system can be mounted here: " << err.toStdString();
    }
    EXPECT_NE(process.exitCode(), 0) << err.toStdString();
    for (QString expected : c.errContains) {
        expected.replace(QStringLiteral("%H"), home());
        EXPECT_TRUE(err.contains(expected)) << err.toStdString();
    }
    c.check();
    const QVariantMap uses = QVMenuManager::sharedDefaults().dictionaryValue(QStringLiteral("use count detail"));
    EXPECT_EQ(uses.value(QString::fromUtf8(c.key)).toLongLong(), 1) << "the entry was chosen and ran";
}

INSTANTIATE_TEST_SUITE_P(Cases, FinderHostFailureReportTest, testing::ValuesIn(cases()), caseName<FailureCase>);
