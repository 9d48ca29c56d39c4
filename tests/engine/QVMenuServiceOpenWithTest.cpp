#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "OpenWithTestSupport.h"
#include "engine/model/QVAppCommandURL.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QVMenuItemPtr app(const QString& appName)
{
    return appRecord(appName);
}

class QVMenuServiceOpenWithTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        recordLaunches(m_launches, m_failing);
        platform::Alert::setResponder([this](const platform::Alert& alert, QWidget*) {
            m_alerts << alert.informativeText();
            return platform::Alert::FirstButtonReturn;
        });
        installApplication(QStringLiteral("org.test.Editor"), QStringLiteral("Editor"), QStringLiteral("/usr/bin/editor %F"));
        installApplication(QStringLiteral("org.test.Terminal"), QStringLiteral("Test Terminal"),
                           QStringLiteral("/usr/bin/test-terminal %F"));
        m_dir = testHome() + QStringLiteral("/work");
        QDir().mkpath(m_dir);
    }
    void TearDown() override
    {
        platform::Workspace::setLauncher({});
        platform::Alert::setResponder({});
        resetFinderSelection();
    }

    QString file(const QString& name) { return writeFile(m_dir + QLatin1Char('/') + name, "x"); }
    void select(QVMenuService& service, const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        service.setSelectURLs(urls);
        service.setIsSelectURL(true);
    }

    QList<Launch> m_launches;
    QStringList m_failing;
    QStringList m_alerts;
    QString m_dir;
};

} // namespace

TEST_F(QVMenuServiceOpenWithTest, NamesWithQuotesAndCommandSubstitutionsArriveAsOneArgumentEach)
{
    const QString quoted = file(QStringLiteral("it's \"a\" $(touch pwned) `id`; b.txt"));
    const QString dollar = file(QStringLiteral("$HOME & 'x'.txt"));
    QVMenuService service;
    select(service, { quoted, dollar });
    EXPECT_TRUE(service.openWithApp(app(QStringLiteral("Editor")), QString()));
    ASSERT_EQ(m_launches.size(), 2);
    EXPECT_EQ(m_launches[0].program, QStringLiteral("/usr/bin/editor"));
    EXPECT_EQ(m_launches[0].args, QStringList({ quoted }));
    EXPECT_EQ(m_launches[1].args, QStringList({ dollar }));
    EXPECT_FALSE(QFile::exists(m_dir + QStringLiteral("/pwned")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
}

TEST_F(QVMenuServiceOpenWithTest, ATerminalOpensInTheFilesFolder)
{
    const QString a = file(QStringLiteral("a.txt"));
    QVMenuService service;
    select(service, { a });
    EXPECT_TRUE(service.openWithApp(app(QStringLiteral("Test Terminal")), QString()));
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].program, QStringLiteral("/usr/bin/test-terminal"));
    EXPECT_EQ(m_launches[0].args, QStringList({ m_dir }));
}

TEST_F(QVMenuServiceOpenWithTest, TheBackgroundOfTheHomeFolderOpensAnApplicationWithoutADocument)
{
    const QString home = QDir::homePath();
    ASSERT_TRUE(qv::isSystemFolder(home));
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(home) });
    service.setIsSelectURL(false);
    EXPECT_TRUE(service.openWithApp(app(QStringLiteral("Editor")), QString()));
    EXPECT_TRUE(service.openWithApp(app(QStringLiteral("Test Terminal")), QString()));
    ASSERT_EQ(m_launches.size(), 2);
    EXPECT_TRUE(m_launches[0].args.isEmpty());
    EXPECT_EQ(m_launches[1].args, QStringList({ home }));
}

TEST_F(QVMenuServiceOpenWithTest, AFailureFallsBackToTheBareApplicationAndStopsTheRest)
{
    const QString a = file(QStringLiteral("a.txt"));
    const QString b = file(QStringLiteral("b.txt"));
    const QString c = file(QStringLiteral("c.txt"));
    m_failing << b;
    QVMenuService service;
    select(service, { a, b, c });
    EXPECT_FALSE(service.openWithApp(app(QStringLiteral("Editor")), QString()));
    ASSERT_EQ(m_launches.size(), 3);
    EXPECT_EQ(m_launches[0].args, QStringList({ a }));
    EXPECT_EQ(m_launches[1].args, QStringList({ b }));
    EXPECT_TRUE(m_launches[2].args.isEmpty());
    EXPECT_TRUE(m_alerts.isEmpty());
}

TEST_F(QVMenuServiceOpenWithTest, AnUnknownApplicationIsReported)
{
    QVMenuService service;
    select(service, { file(QStringLiteral("a.txt")) });
    EXPECT_FALSE(service.openWithApp(app(QStringLiteral("Nowhere")), QString()));
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(m_alerts, QStringList({ platform::Bundle::localizedString(QStringLiteral("Open Error Tip"), QString()) }));
}

TEST_F(QVMenuServiceOpenWithTest, AMissingArchiveUtilityLeadsToItsStorePageNotAnAlert)
{
    auto borella = app(QStringLiteral("Borella"));
    borella->setAppBundleId(QStringLiteral("com.valden.borella"));
    borella->setAppCmd(QStringLiteral("1"));
    QVMenuService service;
    select(service, { file(QStringLiteral("a.zip")) });
    EXPECT_TRUE(service.openWithApp(borella, QString()));
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_TRUE(m_launches[0].args.value(0).startsWith(QStringLiteral("https://"))) << m_launches[0].args.value(0).toStdString();
    EXPECT_TRUE(m_alerts.isEmpty());
}

TEST_F(QVMenuServiceOpenWithTest, HandOffMethodNumbers)
{
    const auto method = [](const char* key) {
        auto item = QVMenuItem::create();
        item->setKey(QLatin1String(key));
        return QVMenuService::mainAppMethodForItem(*item);
    };
    EXPECT_EQ(method("AirDrop"), 7);
    EXPECT_EQ(method("Color Picker"), 10);
    EXPECT_EQ(method("New Folder"), 14);
    EXPECT_EQ(method("Convert to"), 15);
    EXPECT_EQ(method("Copy to"), QVAppCommandURL::None);
}

TEST_F(QVMenuServiceOpenWithTest, AHandOffStartsTheApplicationWithTheCommandAddress)
{
    const QString a = file(QStringLiteral("a b.txt"));
    QVMenuService service;
    select(service, { a });
    auto convert = QVMenuItem::create();
    convert->setKey(QStringLiteral("Convert to"));
    service.openFromMainApp(convert);
    auto copy = QVMenuItem::create();
    copy->setKey(QStringLiteral("Copy to"));
    service.openFromMainApp(copy);
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].args,
              QStringList({ QVAppCommandURL::urlStringWithMethod(15, { QUrl::fromLocalFile(a) }, true) }));
}

TEST_F(QVMenuServiceOpenWithTest, SettingsPagesOpenOnlyWhenTheSwitchAllowsThem)
{
    auto newFile = QVMenuItem::create();
    newFile->setKey(QStringLiteral("New File"));
    QVMenuService service;
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    service.openMainTabViewWithItem(newFile);
    EXPECT_TRUE(m_launches.isEmpty());
    service.openMainTabViewWithItem(nullptr);
    EXPECT_EQ(m_launches.size(), 1);
    EXPECT_EQ(defaults.stringValue(QVMenuManager::kMainOpenTabview), QStringLiteral("general"));
    setSwitch(14, true);
    service.openMainTabViewWithItem(newFile);
    EXPECT_EQ(m_launches.size(), 2);
    EXPECT_EQ(defaults.stringValue(QVMenuManager::kMainOpenTabview), QStringLiteral("newfile"));
}
