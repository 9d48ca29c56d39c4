#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "OpenWithTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Alias.h"
#include "platform/Bundle.h"
#include "platform/FileFlags.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/Workspace.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace tarsel::test;

namespace {

QString tr(const char* key)
{
    return platform::Bundle::localizedString(QString::fromUtf8(key));
}

class QVMenuServiceCommonPathTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        recordLaunches(m_launches, m_failing);
        platform::Sound::setRecording(true);
        setSwitch(QVSwitch::SoundFeedback, true);
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCommonPathNextMenu, 3);
        m_dir = testHome() + QStringLiteral("/work");
        m_common = testHome() + QStringLiteral("/common");
        QDir().mkpath(m_dir);
        QDir().mkpath(m_common + QStringLiteral("/sub"));
        writeFile(m_common + QStringLiteral("/note.txt"), "n");
        storeList(QVMenuManager::kArrayCommonPath,
                  { entry({ { QStringLiteral("key"), QStringLiteral("C1") },
                            { QStringLiteral("path"), m_common },
                            { QStringLiteral("displayName"), QStringLiteral("common") } }) });
        storeList(QVMenuManager::kArrayRightMenu,
                  { keyed(QStringLiteral("Copy to")), keyed(QStringLiteral("Move to")),
                    keyed(QStringLiteral("Create Symlink to")), keyed(QStringLiteral("Send to Desktop Shortcut")),
                    keyed(QStringLiteral("Common Path")), keyed(QStringLiteral("Terminal To")) });
        QVMenuService::ProgressHooks hooks;
        hooks.showSuccess = [this](const QString& message) { m_successes << message; };
        hooks.clean = [this]() { ++m_cleaned; };
        m_service.setProgressHooks(hooks);
    }
    void TearDown() override
    {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return m_service.loadingCount() == 0 && QVMenuService::pendingWork() == 0; }, 20000));
        platform::Workspace::setLauncher({});
        platform::Sound::setRecording(false);
        QVMenuService::setPermitCheck({});
        resetFinderSelection();
    }

    QString file(const QString& name, const QByteArray& contents = "text")
    {
        return writeFile(m_dir + QLatin1Char('/') + name, contents);
    }
    void select(const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        m_service.setSelectURLs(urls);
        m_service.setIsSelectURL(true);
    }
    // Builds the menu for the selection and clicks the entry found by its titles, one a level.
    bool pick(const QStringList& titles)
    {
        m_menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
        const platform::Menu* level = m_menu.get();
        platform::MenuItem* entry = nullptr;
        for (const QString& title : titles) {
            entry = entryTitled(level, title);
            if (entry == nullptr) {
                ADD_FAILURE() << "no entry " << title.toStdString() << " among "
                              << titlesOf(level).join(QStringLiteral(", ")).toStdString();
                return false;
            }
            level = entry->submenu();
        }
        return entry->perform();
    }
    static QStringList titlesOf(const platform::Menu* menu) { return titles(menu); }
    bool waitIdle()
    {
        return QTest::qWaitFor([this] { return m_service.loadingCount() == 0 && QVMenuService::pendingWork() == 0; },
                               20000);
    }
    // Copies the selection into the common folder, where a folder takes the name "a.txt" after
    // the jobs were queued (the background queue is held until then): that item fails.
    void copyIntoATakenName()
    {
        BackgroundHold hold;
        m_service._moveAndCopyToPath(m_common, true);
        QDir().mkpath(m_common + "/a.txt");
        hold.release();
    }
    static QStringList sounds() { return playedSounds(); }
    QStringList launchedArgs() const
    {
        QStringList args;
        for (const Launch& launch : m_launches) {
            args << launch.args.join(QLatin1Char(' '));
        }
        return args;
    }

    QVMenuService m_service;
    std::shared_ptr<platform::Menu> m_menu;
    QList<Launch> m_launches;
    QStringList m_failing;
    QStringList m_successes;
    int m_cleaned = 0;
    QString m_dir;
    QString m_common;
};

} // namespace

// --- Copy to, Move to ------------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, CopyToTheCurrentDirectoryCopiesIntoTheCommonFolderAndKeepsTheSource)
{
    const QString a = file("a.txt");
    select({ a });
    ASSERT_TRUE(pick({ tr("Copy to"), "common", tr("Current Directory") }));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(readFile(m_common + "/a.txt"), "text");
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(m_successes, QStringList({ tr("Success Common Tip") }));
    EXPECT_EQ(QVMenuManager::sharedDefaults().dictionaryValue("use count detail").value("Copy to").toLongLong(), 1);
}

TEST_F(QVMenuServiceCommonPathTest, MoveToAListedSubFolderMovesIntoThatFolder)
{
    const QString a = file("a.txt");
    select({ a });
    ASSERT_TRUE(pick({ tr("Move to"), "common", "sub" }));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(readFile(m_common + "/sub/a.txt"), "text");
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_FALSE(QFileInfo::exists(m_common + "/a.txt"));
}

TEST_F(QVMenuServiceCommonPathTest, OtherFolderAsksInTheCommonFolderWithTheMovePrompt)
{
    const QString a = file("a.txt");
    const QString elsewhere = testHome() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere);
    select({ a });
    PanelScript panels;
    panels.setNextPaths({ elsewhere });
    ASSERT_TRUE(pick({ tr("Move to"), "common", tr("Other Folder") }));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_EQ(panels.shown().first().options.directory, m_common);
    EXPECT_EQ(panels.shown().first().options.prompt, tr("Move"));
    EXPECT_FALSE(panels.shown().first().options.canChooseFiles);
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(QFileInfo::exists(elsewhere + "/a.txt"));
    EXPECT_FALSE(QFileInfo::exists(m_common + "/a.txt"));
}

TEST_F(QVMenuServiceCommonPathTest, SelectFolderAsksWithNoStartFolderAndACancelRunsNothing)
{
    const QString a = file("a.txt");
    select({ a });
    PanelScript panels;
    panels.setNextCancel();
    ASSERT_TRUE(pick({ tr("Copy to"), tr("Select Folder") }));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_TRUE(panels.shown().first().options.directory.isEmpty());
    EXPECT_EQ(panels.shown().first().options.prompt, tr("Copy"));
    EXPECT_EQ(m_service.loadingCount(), 0);
    EXPECT_EQ(m_service.lastTransfer(), nullptr);
    EXPECT_EQ(QDir(m_common).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);

    // Answered, the same entry copies into the chosen folder.
    panels.setNextPaths({ m_common + "/sub" });
    ASSERT_TRUE(pick({ tr("Copy to"), tr("Select Folder") }));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(QFileInfo::exists(m_common + "/sub/a.txt"));
}

TEST_F(QVMenuServiceCommonPathTest, ACommonFolderRemovedAfterTheMenuWasBuiltIsChosenAnew)
{
    const QString a = file("a.txt");
    select({ a });
    m_menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    platform::MenuItem* current = entryTitled(
        entryTitled(entryTitled(m_menu.get(), tr("Copy to"))->submenu(), "common")->submenu(), tr("Current Directory"));
    ASSERT_NE(current, nullptr);
    ASSERT_TRUE(QDir(m_common).removeRecursively());
    PanelScript panels; // cancelled
    ASSERT_TRUE(current->perform());
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_TRUE(panels.shown().first().options.directory.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_common));
    EXPECT_EQ(m_service.lastTransfer(), nullptr);
}

TEST_F(QVMenuServiceCommonPathTest, ACommonPathThatIsALinkToAFolderTakesTheCopy)
{
    const QString link = testHome() + QStringLiteral("/linked");
    ASSERT_TRUE(QFile::link(m_common, link));
    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { QStringLiteral("key"), QStringLiteral("L1") },
                        { QStringLiteral("path"), link },
                        { QStringLiteral("displayName"), QStringLiteral("linked") } }) });
    select({ file("a.txt") });
    PanelScript panels;
    ASSERT_TRUE(pick({ tr("Copy to"), "linked" }));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(panels.shown().isEmpty());
    EXPECT_EQ(readFile(m_common + "/a.txt"), "text");
}

TEST_F(QVMenuServiceCommonPathTest, ScriptsGetTheFolderAndNothingIsCopied)
{
    const QString a = file("a.txt");
    select({ a });
    auto script = QVMenuItem::create();
    script->setKey(QStringLiteral("Common Script"));
    auto path = QVMenuItem::create();
    path->setKey(QStringLiteral("C1"));
    path->setPath(m_common);
    auto sub = QVMenuItem::create();
    sub->setKey(m_common + "/sub");
    sub->setPath(m_common + "/sub");
    EXPECT_EQ(m_service.toCommonPathWithItem(script, path, nullptr, nullptr), m_common);
    // For a script item1 is the script, item2 the common folder and item3 the entry beneath it.
    EXPECT_EQ(m_service.toCommonPathWithItem(script, script, path, sub), m_common + "/sub");
    auto current = QVMenuItem::create();
    current->setKey(QStringLiteral("Current Directory"));
    EXPECT_EQ(m_service.toCommonPathWithItem(script, script, path, current), m_common);
    EXPECT_EQ(m_service.lastTransfer(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(m_common + "/a.txt"));
}

// --- Terminal To -----------------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, TerminalToOpensTheTerminalAtTheCommonFolder)
{
    TerminalStandIns terminals({ QStringLiteral("xfce4-terminal") });
    select({ file("a.txt") });
    ASSERT_TRUE(pick({ tr("Terminal To"), "common" }));
    EXPECT_TRUE(m_launches.isEmpty());
    ASSERT_EQ(terminals.starts().size(), 1);
    EXPECT_EQ(terminals.starts()[0].program, QStringLiteral("xfce4-terminal"));
    EXPECT_EQ(terminals.starts()[0].args, QStringList({ QStringLiteral("--working-directory=") + m_common }));
}

// --- Aliases ---------------------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, CreateSymlinkToMakesLinksUnderFreeNamesAndReplacesNothing)
{
    const QString a = file("a.txt");
    const QString taken = writeFile(m_common + "/a.txt", "mine");
    select({ a });
    ASSERT_TRUE(pick({ tr("Create Symlink to"), "common", tr("Current Directory") }));
    ASSERT_TRUE(pick({ tr("Create Symlink to"), "common", tr("Current Directory") }));
    EXPECT_EQ(readFile(taken), "mine");
    EXPECT_FALSE(platform::Alias::isAlias(taken));
    for (const char* name : { "a-1.txt", "a-2.txt" }) {
        const QString link = m_common + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << name;
        EXPECT_EQ(platform::Alias::target(link), a);
    }
    EXPECT_EQ(sounds(), QStringList({ "dingd", "dingd" }));
}

TEST_F(QVMenuServiceCommonPathTest, WithTheRevealSwitchOnANewAliasIsShownInItsFolder)
{
    setSwitch(QVSwitch::RevealAfterTransfer, true);
    select({ file("a.txt") });
    ASSERT_TRUE(pick({ tr("Create Symlink to"), "common", tr("Current Directory") }));
    ASSERT_TRUE(QFileInfo(m_common + "/a.txt").isSymLink());
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].args, QStringList({ m_common }));
}

TEST_F(QVMenuServiceCommonPathTest, EachItemReportsForItselfAndAFailedAliasPlaysTheErrorSound)
{
    const QString a = file("a.txt");
    const QString b = file("b.txt");
    select({ a, m_dir + "/gone.txt", b });
    m_service._createSymlinkTo(m_common);
    EXPECT_EQ(platform::Alias::target(m_common + "/a.txt"), a);
    EXPECT_EQ(platform::Alias::target(m_common + "/b.txt"), b);
    EXPECT_FALSE(QFileInfo::exists(m_common + "/gone.txt"));
    EXPECT_EQ(sounds(), QStringList({ "dingd", "error", "dingd" }));
    // A folder that is not there takes no alias.
    select({ a });
    m_service._createSymlinkTo(m_dir + "/nowhere");
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/nowhere"));
    EXPECT_EQ(sounds().last(), QStringLiteral("error"));
}

TEST_F(QVMenuServiceCommonPathTest, SendToDesktopShortcutLandsOnTheDesktopWithoutRevealing)
{
    const QString desktop = qv::desktopPath();
    ASSERT_TRUE(desktop.startsWith(testHome()));
    // A new account has no Desktop folder yet: the shortcut makes it.
    ASSERT_FALSE(QFileInfo::exists(desktop));
    setSwitch(QVSwitch::RevealAfterTransfer, true);
    const QString folder = m_dir + "/My Folder";
    QDir().mkpath(folder);
    select({ folder });
    ASSERT_TRUE(pick({ tr("Send to Desktop Shortcut") }));
    EXPECT_EQ(platform::Alias::target(desktop + "/My Folder"), folder);
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(sounds(), QStringList({ "dingd" }));
}

// --- Add to Common Path ----------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, AddToCommonPathAppendsFoldersOnlyAndTheNextMenuListsThem)
{
    setSwitch(QVSwitch::AddToCommonPath, true);
    const QString photos = m_dir + "/Photos";
    const QString music = m_dir + "/Music";
    QDir().mkpath(photos);
    QDir().mkpath(music);
    select({ photos, file("a.txt"), music });
    ASSERT_TRUE(pick({ tr("Common Path"), tr("Add to Common Path") }));
    ASSERT_TRUE(waitIdle());
    const QVariantList stored = QVMenuManager::storedList(QVMenuManager::kArrayCommonPath);
    ASSERT_EQ(stored.size(), 3);
    const QVariantMap added = stored.at(1).toMap();
    EXPECT_EQ(added.value("path").toString(), photos);
    EXPECT_EQ(added.value("displayName").toString(), QStringLiteral("Photos"));
    EXPECT_EQ(added.value("disabled"), QVariant(false));
    EXPECT_EQ(added.value("key").toString().size(), 36);
    EXPECT_EQ(stored.at(2).toMap().value("path").toString(), music);
    EXPECT_NE(stored.at(2).toMap().value("key"), added.value("key"));
    EXPECT_EQ(m_successes, QStringList({ tr("Success Common Tip") }));
    EXPECT_EQ(sounds(), QStringList({ "dingd" }));

    m_menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    const QStringList listed = titlesOf(entryTitled(m_menu.get(), tr("Common Path"))->submenu());
    EXPECT_TRUE(listed.contains("Photos"));
    EXPECT_TRUE(listed.contains("Music"));
    EXPECT_FALSE(listed.contains("a.txt"));
}

TEST_F(QVMenuServiceCommonPathTest, InTheExtensionTheTopEntryAddsTheFolderAgainEachTime)
{
    setSwitch(QVSwitch::AddToCommonPath, true);
    m_service.setIsFinderSync(true);
    const QString photos = m_dir + "/Photos";
    QDir().mkpath(photos);
    // The extension reads the file manager's selection for every menu.
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(photos) });
    m_service.setIsSelectURL(true);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(pick({ tr("Add to Common Path") }));
        ASSERT_TRUE(waitIdle());
    }
    const QVariantList stored = QVMenuManager::storedList(QVMenuManager::kArrayCommonPath);
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored.at(1).toMap().value("path"), stored.at(2).toMap().value("path"));
}

// --- Opening a common path -------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, AMissingCommonPathPlaysTheErrorSoundAndSaysSo)
{
    select({ file("a.txt") });
    m_menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    platform::MenuItem* common = entryTitled(entryTitled(m_menu.get(), tr("Common Path"))->submenu(), "common");
    platform::MenuItem* shown = entryTitled(common->submenu(), tr("Show in Finder"));
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(QDir(m_common).removeRecursively());
    AlertScript alerts;
    ASSERT_TRUE(shown->perform());
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, tr("Common Path Not Exist Tip"));
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(sounds(), QStringList({ "error" }));
}

TEST_F(QVMenuServiceCommonPathTest, EachSubItemGoesToItsOwnLauncher)
{
    installApplication(QStringLiteral("org.test.Editor"), QStringLiteral("Editor"),
                       QStringLiteral("/usr/bin/editor %F"));
    installApplication(QStringLiteral("org.test.Term"), QStringLiteral("Term Service"),
                       QStringLiteral("/usr/bin/term %F"));
    m_service.openCommonPath(m_common, nullptr);
    m_service.openCommonPath(m_common, QVHelper::markerItem(QStringLiteral("More Files"), QStringLiteral("more")));
    auto note = QVMenuItem::create();
    note->setKey(m_common + "/note.txt");
    note->setPath(m_common + "/note.txt");
    m_service.openCommonPath(m_common, note);
    m_service.openCommonPath(m_common, appRecord(QStringLiteral("Editor")));
    auto service = QVMenuItem::create();
    service->setKey(QStringLiteral("Term"));
    service->setServe(QStringLiteral("Term Service"));
    m_service.openCommonPath(m_common, service);
    ASSERT_EQ(m_launches.size(), 5);
    EXPECT_EQ(m_launches[0].program, QStringLiteral("xdg-open"));
    EXPECT_EQ(launchedArgs(), QStringList({ m_common, m_common, m_common + "/note.txt", m_common, m_common }));
    EXPECT_EQ(m_launches[3].program, QStringLiteral("/usr/bin/editor"));
    EXPECT_EQ(m_launches[4].program, QStringLiteral("/usr/bin/term"));
}

TEST_F(QVMenuServiceCommonPathTest, AFailedOpenAsksForFullDiskAccessAndARefusedGrantOpensNothing)
{
    m_failing << m_common;
    AlertScript alerts({ 1001 });
    m_service.openCommonPath(m_common, nullptr);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, tr("Auth Full Disk Access Tip"));

    QVMenuService::setPermitCheck(
        [](const QString&, std::function<void()>, std::function<void()> failure) { failure(); });
    m_launches.clear();
    m_service.openCommonPath(m_common, nullptr);
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(sounds(), QStringList({ "error" }));
}

// --- Failed copies ---------------------------------------------------------------------------

TEST_F(QVMenuServiceCommonPathTest, AFailedCopyNamesTheItemAndAsksForFullDiskAccess)
{
    const QString a = file("a.txt");
    select({ a });
    AlertScript alerts({ 1000, 1001 });
    copyIntoATakenName();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.shown().size() == 2; }, 20000));
    EXPECT_TRUE(alerts.shown().at(0).informativeText.contains(a));
    EXPECT_EQ(alerts.shown().at(1).informativeText, tr("Auth Full Disk Access Tip"));
    EXPECT_EQ(m_cleaned, 1);
    EXPECT_TRUE(m_successes.isEmpty());
    EXPECT_TRUE(QFileInfo(m_common + "/a.txt").isDir());
}

// A source that could not be written is retried after access to "/" was granted, and only the
// items that failed run again: re-running the whole command would copy the others a second time.
TEST_F(QVMenuServiceCommonPathTest, AfterAccessToTheRootOnlyTheFailedItemsRunAgain)
{
    const QString a = file("a.txt", "locked");
    const QString b = file("b.txt", "free");
    ASSERT_TRUE(platform::FileFlags::setLocked(a, true));
    ASSERT_FALSE(qv::isWritable(a));
    select({ a, b });
    QStringList asked;
    QVMenuService::setPermitCheck([&](const QString& folder, std::function<void()> success, std::function<void()>) {
        asked << folder;
        if (folder == QLatin1String("/")) {
            // What the grant made possible: the source can be written and the way is clear.
            platform::FileFlags::setLocked(a, false);
            QDir(m_common + "/a.txt").removeRecursively();
        }
        success();
    });
    AlertScript alerts;
    copyIntoATakenName();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_successes.isEmpty(); }, 20000));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(asked, QStringList({ "/" }));
    EXPECT_EQ(readFile(m_common + "/a.txt"), "locked");
    EXPECT_EQ(readFile(m_common + "/b.txt"), "free");
    // b was not copied again: that would have met its own copy and asked about the name.
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_common + "/b-1.txt"));
    EXPECT_EQ(m_cleaned, 1);
}

TEST_F(QVMenuServiceCommonPathTest, ARefusedRootAccessTellsWhatFailedWithoutAskingForFullDiskAccess)
{
    const QString a = file("a.txt", "locked");
    ASSERT_TRUE(platform::FileFlags::setLocked(a, true));
    select({ a });
    QStringList asked;
    QVMenuService::setPermitCheck([&](const QString& folder, std::function<void()>, std::function<void()> failure) {
        asked << folder;
        failure();
    });
    AlertScript alerts;
    copyIntoATakenName();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown().isEmpty(); }, 20000));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(asked, QStringList({ "/" }));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_TRUE(alerts.shown().first().informativeText.contains(a));
    EXPECT_EQ(sounds(), QStringList({ "error" }));
    platform::FileFlags::setLocked(a, false);
}
