#include "foundation/QVURLCache.h"

#include "platform/Defaults.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using tarsel::test::runChild;
using tarsel::test::testHome;

namespace {

QString folder(const QString& relative)
{
    const QString path = testHome() + QLatin1Char('/') + relative;
    QDir().mkpath(path);
    return path;
}

// The cache is one per process: point it at this test's defaults and empty it.
class QVURLCacheTest : public testing::Test
{
protected:
    void SetUp() override
    {
        cache().setSuiteName(QString(""));
        cache().clearAllCached();
    }
    static QVURLCache& cache() { return QVURLCache::sharedInstance(); }
    static QVariantMap stored() { return platform::Defaults::standard().dictionaryValue(QVURLCache::kCachedURLsKey); }
};

} // namespace

TEST(QVURLCacheRuleTest, CoveringRuleNeedsASlashBoundary)
{
    EXPECT_TRUE(QVURLCache::covers(QStringLiteral("/"), QStringLiteral("/anything/at/all")));
    EXPECT_TRUE(QVURLCache::covers(QStringLiteral("/Users/ann"), QStringLiteral("/Users/ann")));
    EXPECT_TRUE(QVURLCache::covers(QStringLiteral("/Users/ann"), QStringLiteral("/Users/ann/a.txt")));
    EXPECT_FALSE(QVURLCache::covers(QStringLiteral("/Users/ann"), QStringLiteral("/Users/anna/x")));
    EXPECT_FALSE(QVURLCache::covers(QStringLiteral("/Users/ann"), QStringLiteral("/Users/Ann/x")));
    EXPECT_FALSE(QVURLCache::covers(QString(), QStringLiteral("/x")));
}

TEST_F(QVURLCacheTest, WiderGrantReplacesNarrowerOnesAndNarrowerIsAddedBesideWider)
{
    const QString ann = folder(QStringLiteral("ann"));
    const QString docs = folder(QStringLiteral("ann/Documents"));
    const QString pics = folder(QStringLiteral("ann/Pictures"));
    cache().saveSecurityURL(QUrl::fromLocalFile(docs));
    cache().saveSecurityURL(QUrl::fromLocalFile(pics));
    EXPECT_EQ(cache().cachedPaths(), QStringList({ docs, pics }));
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    EXPECT_EQ(cache().cachedPaths(), QStringList { ann });
    cache().saveSecurityURL(QUrl::fromLocalFile(docs));
    EXPECT_EQ(cache().cachedPaths(), QStringList({ ann, docs }));
    EXPECT_EQ(stored().keys(), QStringList({ ann, docs }));
    const QVariantMap record = stored().value(ann).toMap();
    EXPECT_EQ(record.value(QStringLiteral("path")).toString(), ann);
    EXPECT_TRUE(record.contains(QStringLiteral("device")) && record.contains(QStringLiteral("inode")));

    // A folder that does not exist cannot be bookmarked: nothing changes.
    cache().saveSecurityURL(QUrl::fromLocalFile(testHome() + QStringLiteral("/nowhere")));
    EXPECT_EQ(cache().cachedPaths(), QStringList({ ann, docs }));
}

TEST_F(QVURLCacheTest, LookupUsesACoveringGrantAndResolvesLinks)
{
    const QString ann = folder(QStringLiteral("ann"));
    folder(QStringLiteral("anna"));
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    EXPECT_EQ(cache().urlWithAllowAccessToPath(ann + QStringLiteral("/a/b.txt")), QUrl::fromLocalFile(ann));
    EXPECT_FALSE(cache().urlWithAllowAccessToPath(testHome() + QStringLiteral("/anna/x")).isValid());
    ASSERT_TRUE(QFile::link(ann, testHome() + QStringLiteral("/via-link")));
    EXPECT_EQ(cache().urlWithAllowAccessToURL(QUrl::fromLocalFile(testHome() + QStringLiteral("/via-link"))),
              QUrl::fromLocalFile(ann));

    cache().removeCachedPath(ann + QStringLiteral("/deep/file"));
    EXPECT_TRUE(cache().cachedPaths().isEmpty());
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(QVURLCacheTest, StaleGrantCountsAsAbsentAndIsReplacedWhenChosenAgain)
{
    const QString ann = folder(QStringLiteral("ann"));
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    const QVariantMap before = stored().value(ann).toMap();

    // The folder is replaced by another one of the same name, in a fresh process's view.
    ASSERT_TRUE(QDir().rename(ann, testHome() + QStringLiteral("/old-ann")));
    folder(QStringLiteral("ann"));
    cache().setSuiteName(QString(""));
    QVURLCache::sharedInstance().clearAllCached();
    platform::Defaults::standard().setValue(QVURLCache::kCachedURLsKey, QVariantMap { { ann, before } });
    cache().setSuiteName(QString(""));
    ASSERT_EQ(cache().cachedPaths(), QStringList { ann });
    bool stale = false;
    EXPECT_FALSE(QVURLCache::resolveBookmark(before, &stale).isValid());
    EXPECT_TRUE(stale);
    EXPECT_FALSE(cache().urlWithAllowAccessToPath(ann + QStringLiteral("/x")).isValid());

    // Choosing the same folder again stores a fresh grant instead of keeping the stale one.
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    EXPECT_EQ(cache().urlWithAllowAccessToPath(ann + QStringLiteral("/x")), QUrl::fromLocalFile(ann));
    EXPECT_NE(stored().value(ann).toMap(), before);

    // A healthy grant stays as it was.
    const QVariantMap healthy = stored().value(ann).toMap();
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    EXPECT_EQ(stored().value(ann).toMap(), healthy);
}

// A new process finds the grant through the initialiser alone.
TARSEL_TEST_CHILD(urlCacheLookup)
{
    return QVURLCache::sharedInstance().urlWithAllowAccessToPath(args.value(0)).isValid() ? 0 : 1;
}

TEST_F(QVURLCacheTest, GrantsSurviveIntoANewProcess)
{
    const QString ann = folder(QStringLiteral("ann"));
    EXPECT_EQ(runChild(QStringLiteral("urlCacheLookup"), { ann + QStringLiteral("/f") }).exitCode, 1);
    cache().saveSecurityURL(QUrl::fromLocalFile(ann));
    EXPECT_EQ(runChild(QStringLiteral("urlCacheLookup"), { ann + QStringLiteral("/f") }).exitCode, 0);
    cache().clearAllCached();
    EXPECT_EQ(runChild(QStringLiteral("urlCacheLookup"), { ann + QStringLiteral("/f") }).exitCode, 1);
}
