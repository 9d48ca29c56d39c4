#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "OpenWithTestSupport.h"
#include "engine/model/QVAppCommandURL.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Terminal.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>

#include <memory>

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
        installApplication("org.test.Editor", "Editor", "/usr/bin/editor %F");
        // Terminals are this desktop's programs on PATH: only the ones a test installs.
        m_terminal = std::make_unique<TerminalStandIns>();
        installApplication("org.test.Terminal", "Test Terminal", program("test-terminal") + " %F");
        m_dir = testHome() + "/work";
        QDir().mkpath(m_dir);
    }
    void TearDown() override
    {
        m_terminal.reset();
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

    QString program(const QString& name) { return m_terminal->install(name); }
    const QList<TerminalStart>& terminals() const { return m_terminal->starts(); }

    QList<Launch> m_launches;
    std::unique_ptr<TerminalStandIns> m_terminal;
    QStringList m_failing;
    QStringList m_alerts;
    QString m_dir;
};

} // namespace

TEST_F(QVMenuServiceOpenWithTest, NamesWithQuotesAndCommandSubstitutionsArriveAsOneArgumentEach)
{
    const QString quoted = file("it's \"a\" $(touch pwned) `id`; b.txt");
    const QString dollar = file("$HOME & 'x'.txt");
    QVMenuService service;
    select(service, { quoted, dollar });
    EXPECT_TRUE(service.openWithApp(app("Editor"), QString()));
    ASSERT_EQ(m_launches.size(), 2);
    EXPECT_EQ(m_launches[0].program, "/usr/bin/editor");
    EXPECT_EQ(m_launches[0].args, QStringList({ quoted }));
    EXPECT_EQ(m_launches[1].args, QStringList({ dollar }));
    EXPECT_FALSE(QFile::exists(m_dir + "/pwned"));
    EXPECT_FALSE(QFile::exists("pwned"));
}

TEST_F(QVMenuServiceOpenWithTest, ATerminalOpensInTheFilesFolder)
{
    const QString a = file("a.txt");
    QVMenuService service;
    select(service, { a });
    EXPECT_TRUE(service.openWithApp(app("Test Terminal"), QString()));
    EXPECT_TRUE(m_launches.isEmpty());
    ASSERT_EQ(terminals().size(), 1);
    // A terminal unknown by name gets the folder as its working folder, never as a command.
    EXPECT_EQ(terminals()[0].program, testHome() + "/terminal-bin/test-terminal");
    EXPECT_TRUE(terminals()[0].args.isEmpty());
    EXPECT_EQ(terminals()[0].folder, m_dir);
}

TEST_F(QVMenuServiceOpenWithTest, TheBackgroundOfTheHomeFolderOpensAnApplicationWithoutADocument)
{
    const QString home = QDir::homePath();
    ASSERT_TRUE(qv::isSystemFolder(home));
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(home) });
    service.setIsSelectURL(false);
    EXPECT_TRUE(service.openWithApp(app("Test Terminal"), QString()));
    EXPECT_TRUE(service.openWithApp(app("Editor"), QString()));
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_TRUE(m_launches[0].args.isEmpty());
    ASSERT_EQ(terminals().size(), 1);
    EXPECT_EQ(terminals()[0].folder, home);
}

// The terminal entries used to look for a desktop entry named like the service ("New Terminal
// at Folder"), which no desktop has, and opened nothing without a word. They open the user's
// terminal at the folder; a named macOS terminal is its program here, or the user's terminal.
TEST_F(QVMenuServiceOpenWithTest, TerminalEntriesOpenThisDesktopsTerminalAtTheFolder)
{
    program("konsole");
    program("kitty");
    const QString a = file("it's $(id).txt");
    const QStringList window { "--workdir", m_dir };
    const QStringList tab { "--new-tab", "--workdir", m_dir };
    struct Case
    {
        const char* serve; ///< a service, or null for the application below
        const char* appName;
        QString program;
        QStringList args;
    };
    const Case cases[] = {
        { "New Terminal at Folder", nullptr, "konsole", window },
        { "New Terminal Tab at Folder", nullptr, "konsole", tab },
        { "New iTerm2 Window Here", nullptr, "konsole", window },
        { "New iTerm2 Tab Here", nullptr, "konsole", tab },
        { nullptr, "Kitty", "kitty", { "--directory", m_dir } },
        { nullptr, "iTerm2", "konsole", window },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serve ? c.serve : c.appName);
        m_terminal->clear();
        QVMenuService service;
        if (c.serve) {
            service.setSelectURLs({ QUrl::fromLocalFile(m_dir) });
            service.openServe(QLatin1String(c.serve), QString());
        } else {
            select(service, { a });
            EXPECT_TRUE(service.openWithApp(app(QLatin1String(c.appName)), QString()));
        }
        ASSERT_EQ(terminals().size(), 1);
        EXPECT_EQ(terminals()[0].program, c.program);
        EXPECT_EQ(terminals()[0].args, c.args);
        EXPECT_EQ(terminals()[0].folder, m_dir);
    }
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_TRUE(m_alerts.isEmpty());
}

// With no terminal at all the user is told so, and the failure is noted for the host.
TEST_F(QVMenuServiceOpenWithTest, NoTerminalIsReportedAndNoted)
{
    const qsizetype noted = QVMenuService::failedHandOffs().size();
    QVMenuService service;
    service.openServe("New Terminal at Folder", m_dir);
    select(service, { file("a.txt") });
    EXPECT_FALSE(service.openWithApp(app("Terminal"), QString()));
    EXPECT_TRUE(terminals().isEmpty());
    const QString tip = platform::Bundle::localizedString("No Terminal Tip");
    EXPECT_NE(tip, "No Terminal Tip");
    EXPECT_EQ(m_alerts, QStringList({ tip, tip }));
    const QStringList failures = QVMenuService::failedHandOffs().mid(noted);
    ASSERT_FALSE(failures.isEmpty());
    EXPECT_TRUE(failures.first().contains(platform::Terminal::noTerminalError())) << failures.first().toStdString();
}

TEST_F(QVMenuServiceOpenWithTest, AFailureFallsBackToTheBareApplicationAndStopsTheRest)
{
    const QString a = file("a.txt");
    const QString b = file("b.txt");
    const QString c = file("c.txt");
    m_failing << b;
    QVMenuService service;
    select(service, { a, b, c });
    EXPECT_FALSE(service.openWithApp(app("Editor"), QString()));
    ASSERT_EQ(m_launches.size(), 3);
    EXPECT_EQ(m_launches[0].args, QStringList({ a }));
    EXPECT_EQ(m_launches[1].args, QStringList({ b }));
    EXPECT_TRUE(m_launches[2].args.isEmpty());
    EXPECT_TRUE(m_alerts.isEmpty());
}

TEST_F(QVMenuServiceOpenWithTest, AnUnknownApplicationIsReported)
{
    const qsizetype noted = QVMenuService::failedHandOffs().size();
    QVMenuService service;
    select(service, { file("a.txt") });
    EXPECT_FALSE(service.openWithApp(app("Nowhere"), QString()));
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(m_alerts, QStringList({ platform::Bundle::localizedString("Open Error Tip", QString()) }));
    EXPECT_GT(QVMenuService::failedHandOffs().size(), noted);
}

// A hand-off to the application that could not start it used to count as done.
TEST_F(QVMenuServiceOpenWithTest, AHandOffThatReachesNoApplicationIsNoted)
{
    const QString a = file("a.txt");
    QVMenuService service;
    select(service, { a });
    auto airDrop = QVMenuItem::create();
    airDrop->setKey("AirDrop");
    m_failing << QVAppCommandURL::urlStringWithMethod(QVAppCommandURL::AirDrop, { QUrl::fromLocalFile(a) }, true);
    const qsizetype noted = QVMenuService::failedHandOffs().size();
    service.openFromMainApp(airDrop);
    ASSERT_EQ(m_launches.size(), 1);
    const QStringList failures = QVMenuService::failedHandOffs().mid(noted);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures.first().startsWith("Failed to hand the command to the application."));
}

TEST_F(QVMenuServiceOpenWithTest, AMissingArchiveUtilityLeadsToItsStorePageNotAnAlert)
{
    auto borella = app("Borella");
    borella->setAppBundleId("com.valden.borella");
    borella->setAppCmd("1");
    QVMenuService service;
    select(service, { file("a.zip") });
    EXPECT_TRUE(service.openWithApp(borella, QString()));
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_TRUE(m_launches[0].args.value(0).startsWith("https://")) << m_launches[0].args.value(0).toStdString();
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
    const QString a = file("a b.txt");
    QVMenuService service;
    select(service, { a });
    auto convert = QVMenuItem::create();
    convert->setKey("Convert to");
    service.openFromMainApp(convert);
    auto copy = QVMenuItem::create();
    copy->setKey("Copy to");
    service.openFromMainApp(copy);
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].args,
              QStringList({ QVAppCommandURL::urlStringWithMethod(15, { QUrl::fromLocalFile(a) }, true) }));
}

TEST_F(QVMenuServiceOpenWithTest, SettingsPagesOpenOnlyWhenTheSwitchAllowsThem)
{
    auto newFile = QVMenuItem::create();
    newFile->setKey("New File");
    QVMenuService service;
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    service.openMainTabViewWithItem(newFile);
    EXPECT_TRUE(m_launches.isEmpty());
    service.openMainTabViewWithItem(nullptr);
    EXPECT_EQ(m_launches.size(), 1);
    EXPECT_EQ(defaults.stringValue(QVMenuManager::kMainOpenTabview), "general");
    setSwitch(QVSwitch::OpenSettingsPage, true);
    service.openMainTabViewWithItem(newFile);
    EXPECT_EQ(m_launches.size(), 2);
    EXPECT_EQ(defaults.stringValue(QVMenuManager::kMainOpenTabview), "newfile");
}
