// "Move to Trash" chosen in a real tarsel-finder process: a name too long for its record beside
// it still goes to the home trash, and on a shared disk a trash folder that another account
// planted gets nothing while the item stays and the user is told why.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Trash.h"

#include "testsupport/ScratchVolume.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include "tests/host/HostRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

// What a case makes: the item to trash, and the shared disk it lies on when it needs one.
struct Scene
{
    QString item;
    std::unique_ptr<ScratchVolume> volume;
    QString skipBecause;
};

struct HostTrashCase
{
    const char* name;
    std::function<void(Scene& scene)> prepare;
    // Checks the trash and the item once the host has ended.
    std::function<void(const Scene& scene, const HostRun& run)> check;
};

void PrintTo(const HostTrashCase& c, std::ostream* os)
{
    *os << c.name;
}

QString plantedTrash(const Scene& scene)
{
    return scene.volume->path() + QStringLiteral("/.Trash-") + QString::number(::getuid());
}

const QString kLongName = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");

const QList<HostTrashCase>& cases()
{
    static const QList<HostTrashCase> list = {
        { "NameOf255BytesGoesToTheHomeTrash",
          [](Scene& scene) { scene.item = writeFile(inHome(QStringLiteral("w/") + kLongName), "long"); },
          [](const Scene& scene, const HostRun& run) {
              const QString& item = scene.item;
              EXPECT_EQ(run.exitCode, 0) << run.err.constData();
              EXPECT_FALSE(QFileInfo::exists(item)) << run.err.constData();
              const QStringList infos
                  = QDir(platform::Trash::homeTrash() + QStringLiteral("/info")).entryList(QDir::Files);
              ASSERT_EQ(infos.size(), 1);
              const QString trashName = infos.first().chopped(QStringLiteral(".trashinfo").size());
              EXPECT_EQ(readFile(platform::Trash::homeTrash() + QStringLiteral("/files/") + trashName), "long");
              const QByteArray info = readFile(platform::Trash::homeTrash() + QStringLiteral("/info/") + infos.first());
              EXPECT_TRUE(info.contains("\nPath=" + QFile::encodeName(item).toPercentEncoding("/") + '\n'))
                  << info.constData();
          } },
        { "TrashPlantedByAnotherAccountOnASharedDiskIsRefused",
          [](Scene& scene) {
              scene.volume = std::make_unique<ScratchVolume>(inHome(QStringLiteral("disk")));
              if (!scene.volume->ok()) {
                  scene.skipBecause = scene.volume->why();
                  return;
              }
              const QByteArray planted = QFile::encodeName(plantedTrash(scene));
              ASSERT_EQ(::mkdir(planted.constData(), 0700), 0);
              ASSERT_EQ(::chown(planted.constData(), 4242, 4242), 0);
              scene.item = writeFile(scene.volume->path() + QStringLiteral("/shared/report.txt"), "mine");
          },
          [](const Scene& scene, const HostRun& run) {
              const QString& item = scene.item;
              EXPECT_EQ(readFile(item), QByteArray("mine"));
              EXPECT_EQ(QDir(plantedTrash(scene)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                        QStringList());
              EXPECT_TRUE(run.err.contains("belongs to another account")) << run.err.constData();
              EXPECT_TRUE(run.err.contains(QFile::encodeName(item))) << run.err.constData();
          } },
    };
    return list;
}

class FinderHostTrashTest : public testing::TestWithParam<HostTrashCase>
{
};

} // namespace

TEST_P(FinderHostTrashTest, MoveToTrashUsesOnlyATrashOfThisUser)
{
    const HostTrashCase& c = GetParam();
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Move to Trash")) });
    Scene scene;
    c.prepare(scene);
    if (!scene.skipBecause.isEmpty()) {
        GTEST_SKIP() << qPrintable(scene.skipBecause);
    }
    ASSERT_FALSE(scene.item.isEmpty());
    const HostRun run = runHost({ QStringLiteral("pick"), QStringLiteral("1"), QStringLiteral("--key"),
                                  QStringLiteral("Move to Trash"), scene.item });
    ASSERT_NE(run.exitCode, -1) << "the host did not finish";
    c.check(scene, run);
}

INSTANTIATE_TEST_SUITE_P(Cases, FinderHostTrashTest, testing::ValuesIn(cases()), caseName<HostTrashCase>);
