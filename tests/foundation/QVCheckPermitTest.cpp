#include "foundation/QVCheckPermit.h"

#include "foundation/QVURLCache.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/FileFlags.h"
#include "platform/Panels.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using platform::PanelOptions;
using platform::PanelResult;
using platform::Panels;
using tarsel::test::ScopedEnvironment;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QString L(const char* key)
{
    return platform::Bundle::localizedString(QString::fromUtf8(key));
}

// Panels answer from a script; every panel shown is recorded.
class QVCheckPermitTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_base = testHome(); // testHome() follows HOME, which points into it from here on
        m_home = m_base + QStringLiteral("/ann");
        QDir().mkpath(m_home);
        m_env.set("HOME", QFile::encodeName(m_home));
        QVURLCache::sharedInstance().setSuiteName(QString(""));
        QVURLCache::sharedInstance().clearAllCached();
        Panels::setResponder([this](Panels::Kind kind, const PanelOptions& options) {
            EXPECT_EQ(kind, Panels::Kind::Open);
            m_panels.append(options);
            PanelResult result;
            if (!m_answer.isNull()) {
                result.response = PanelResult::OK;
                result.paths = { m_answer };
            }
            return result;
        });
    }
    void TearDown() override
    {
        Panels::setResponder({});
        for (const QString& path : m_locked) {
            platform::FileFlags::setLocked(path, false);
        }
    }

    // A file nobody may write, root included.
    QString lockedFile(const QString& path)
    {
        writeFile(path, "x");
        EXPECT_TRUE(platform::FileFlags::setLocked(path, true));
        m_locked.append(path);
        return path;
    }

    struct Outcome
    {
        int success = 0;
        int failure = 0;
    };
    Outcome check(const QString& path)
    {
        Outcome o;
        QVCheckPermit::checkPermitWithPath(
            path, [&] { ++o.success; }, [&] { ++o.failure; });
        return o;
    }

    QString m_base;
    QString m_home;
    QString m_answer;
    QStringList m_locked;
    QList<PanelOptions> m_panels;
    ScopedEnvironment m_env;
};

} // namespace

TEST_F(QVCheckPermitTest, NullPathRunsNeitherBlockAndWritablePathsNeedNoPanel)
{
    const Outcome none = check(QString());
    EXPECT_EQ(none.success + none.failure, 0);
    EXPECT_FALSE(QVCheckPermit::checkPermitWithPath(QString()));

    const QString file = writeFile(m_home + QStringLiteral("/a.txt"), "a");
    EXPECT_TRUE(QVCheckPermit::checkPermitWithPath(file));
    EXPECT_EQ(check(file).success, 1);
    EXPECT_TRUE(m_panels.isEmpty());
}

TEST_F(QVCheckPermitTest, UnwritablePathInTheHomeAsksInTheHomeAndStoresTheChoice)
{
    const QString file = lockedFile(m_home + QStringLiteral("/docs/locked.txt"));
    EXPECT_FALSE(QVCheckPermit::checkPermitWithPath(file));
    EXPECT_TRUE(m_panels.isEmpty()); // the silent test never asks

    // Choosing an unrelated folder still runs success, and that folder is stored.
    m_answer = m_base + QStringLiteral("/elsewhere");
    QDir().mkpath(m_answer);
    const Outcome o = check(file);
    EXPECT_EQ(o.success, 1);
    EXPECT_EQ(o.failure, 0);
    ASSERT_EQ(m_panels.size(), 1);
    EXPECT_EQ(m_panels[0].message, L("Authorization Tip"));
    EXPECT_EQ(m_panels[0].directory, m_home);
    EXPECT_EQ(m_panels[0].prompt, L("Authorization"));
    EXPECT_FALSE(m_panels[0].canChooseFiles);
    EXPECT_TRUE(m_panels[0].canChooseDirectories);
    EXPECT_FALSE(m_panels[0].allowsMultipleSelection);
    EXPECT_EQ(QVURLCache::sharedInstance().cachedPaths(), QStringList { m_answer });

    // A grant that covers the path answers without a panel, silently as well.
    m_answer = m_home + QStringLiteral("/docs");
    check(file);
    EXPECT_TRUE(QVCheckPermit::checkPermitWithPath(file));
    EXPECT_EQ(check(file).success, 1);
    EXPECT_EQ(m_panels.size(), 2);
}

TEST_F(QVCheckPermitTest, ASiblingWhoseNameStartsLikeTheHomeIsNotInTheHome)
{
    // For the user "ann", /…/anna is another folder: the root message and "/".
    const QString file = lockedFile(m_base + QStringLiteral("/anna/x.txt"));
    const Outcome o = check(file);
    EXPECT_EQ(o.failure, 1);
    EXPECT_EQ(o.success, 0);
    ASSERT_EQ(m_panels.size(), 1);
    EXPECT_EQ(m_panels[0].message, L("Auth Root Tip"));
    EXPECT_EQ(m_panels[0].directory, QStringLiteral("/"));
    EXPECT_TRUE(QVURLCache::sharedInstance().cachedPaths().isEmpty());
}

TEST_F(QVCheckPermitTest, FolderChooserUsesPromptAndStartFolderAndStoresNothing)
{
    m_answer = m_home;
    EXPECT_EQ(QVCheckPermit::selectFolderWithPrompt(QStringLiteral("Move"), m_home + QStringLiteral("/start")), m_home);
    ASSERT_EQ(m_panels.size(), 1);
    EXPECT_EQ(m_panels[0].prompt, QStringLiteral("Move"));
    EXPECT_EQ(m_panels[0].directory, m_home + QStringLiteral("/start"));
    EXPECT_TRUE(QVURLCache::sharedInstance().cachedPaths().isEmpty());

    m_answer.clear();
    EXPECT_TRUE(QVCheckPermit::selectFolderWithPrompt(QStringLiteral(" "), QString()).isNull());
    EXPECT_EQ(m_panels[1].prompt, L("Choose"));
    EXPECT_TRUE(m_panels[1].directory.isEmpty());
}

TEST_F(QVCheckPermitTest, ApplicationNeverHandsWorkOverNorShowsTheActivationPanel)
{
    int shown = 0;
    QVCheckPermit::setActivationPanel([&] { ++shown; });
    EXPECT_FALSE(QVCheckPermit::canUseMainApp());
    QVCheckPermit::activePanelForOSX15();
    check(lockedFile(m_home + QStringLiteral("/l")));
    EXPECT_EQ(shown, 0);
    QVCheckPermit::setActivationPanel({});
}

TEST_F(QVCheckPermitTest, FullDiskAccessPromptOffersAuthorizationAndCancel)
{
    QList<platform::Alert> alerts;
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        alerts.append(alert);
        return platform::Alert::FirstButtonReturn + 1;
    });
    QVCheckPermit::accessPrivacy();
    platform::Alert::setResponder({});
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].messageText(), L("Tip"));
    EXPECT_EQ(alerts[0].informativeText(), L("Auth Full Disk Access Tip"));
    EXPECT_EQ(alerts[0].buttonTitles(), QStringList({ L("Authorization"), L("Cancel") }));
}
