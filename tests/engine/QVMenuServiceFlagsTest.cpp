#include "engine/service/QVMenuService.h"

#include "CommandTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "OpenWithTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/FileFlags.h"
#include "platform/Pasteboard.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QScopeGuard>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace tarsel::test;

namespace {

const QString kSystemHideCommand
    = QStringLiteral("defaults write com.apple.finder AppleShowAllFiles -boolean %@; killall Finder");

QString tr(const QString& key)
{
    return platform::Bundle::localizedString(key, QStringLiteral(""));
}

QStringList lines(const QString& file)
{
    QStringList list = QString::fromUtf8(readFile(file)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    list.sort();
    return list;
}

class QVMenuServiceFlagsTest : public CommandTest
{
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        platform::Sound::setRecording(true);
        setSwitch(QVSwitch::SoundFeedback, true);
        // No review prompt in the middle of a test that counts several uses.
        QVMenuManager::sharedDefaults().setValue(QStringLiteral("is reviewed"), true);
        platform::Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return true;
        });
        platform::Workspace::setFileManager({ [this] { return m_fileManagerRuns; },
                                              [this](const QString& method, const QStringList& uris) {
                                                  m_fileManagerCalls
                                                      << method + QLatin1Char(' ') + uris.join(QLatin1Char(' '));
                                                  return true;
                                              } });
        QVMenuService::setPermitCheck(
            [](const QString&, std::function<void()> success, std::function<void()>) { success(); });
    }
    void TearDown() override
    {
        // A locked item would outlive the test's temporary folder.
        QDirIterator it(m_dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            platform::FileFlags::setLocked(it.next(), false);
        }
        QVMenuService::setPermitCheck({});
        platform::Workspace::setFileManager({});
        platform::Workspace::setLauncher({});
        platform::Sound::setRecording(false);
        CommandTest::TearDown();
    }

    static bool iconWorkDone()
    {
        return QTest::qWaitFor([] { return QVMenuService::pendingWork() == 0; }, 10000);
    }
    // The built menu's entry for the key's title, and the tag of its child with that title.
    qint64 tagOf(const QString& title, const QString& childTitle = QString())
    {
        m_menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
        const platform::MenuItem* entry = entryTitled(m_menu.get(), title);
        if (entry == nullptr) {
            ADD_FAILURE() << "no entry " << title.toStdString() << " in "
                          << titles(m_menu.get()).join(", ").toStdString();
            return -1;
        }
        if (childTitle.isNull()) {
            return entry->tag();
        }
        const platform::MenuItem* child = entryTitled(entry->submenu(), childTitle);
        return child == nullptr ? -1 : child->tag();
    }

    std::shared_ptr<platform::Menu> m_menu;
    QList<Launch> m_launches;
    bool m_fileManagerRuns = false;
    QStringList m_fileManagerCalls;
};

} // namespace

// --- Hidden and visible ----------------------------------------------------------------------

TEST_F(QVMenuServiceFlagsTest, HidingAndUnhidingSelectedItemsGoesThroughTheHiddenList)
{
    const QString a = file("a b.txt");
    const QString b = folder("$(touch pwned)");
    select({ a, b });
    m_service.hideAndShowFiles(item("Hide Selected Files"));
    EXPECT_TRUE(platform::FileFlags::isHidden(a));
    EXPECT_TRUE(platform::FileFlags::isHidden(b));
    EXPECT_EQ(lines(m_dir + "/.hidden"), QStringList({ "$(touch pwned)", "a b.txt" }));

    select({ a });
    m_service.hideAndShowFiles(item("Unhide Selected Files"));
    EXPECT_FALSE(platform::FileFlags::isHidden(a));
    EXPECT_TRUE(platform::FileFlags::isHidden(b));
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/pwned"));
    EXPECT_EQ(playedSounds(), QStringList({ "fold", "fold" }));
}

TEST_F(QVMenuServiceFlagsTest, OnAFolderBackgroundTheVisibleEntriesAreFlaggedNotTheFolder)
{
    const QString bg = folder("bg");
    file("bg/x");
    file("bg/.dot");
    folder("bg/sub");
    file("bg/two\nlines"); // cannot be listed, and must not keep the others visible
    select({ bg }, false);
    AlertScript alerts;
    m_service.hideAndShowFiles(item("Hide All Files"));
    EXPECT_EQ(lines(bg + "/.hidden"), QStringList({ "sub", "x" }));
    // The name that cannot be listed is not passed over in silence.
    EXPECT_EQ(alerts.shown().size(), 1);
    EXPECT_FALSE(platform::FileFlags::isHidden(bg));
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/.hidden"));

    m_service.hideAndShowFiles(item("Unhide All Files"));
    EXPECT_FALSE(platform::FileFlags::isHidden(bg + "/x"));
    EXPECT_FALSE(QFileInfo::exists(bg + "/.hidden"));
}

TEST_F(QVMenuServiceFlagsTest, AHiddenListThatCannotBeWrittenSoundsAnError)
{
    const QString a = file("a");
    folder(".hidden"); // a folder where the list should be: no rewrite can replace it
    select({ a });
    AlertScript alerts;
    m_service.hideAndShowFiles(item("Hide Selected Files"));
    EXPECT_FALSE(platform::FileFlags::isHidden(a));
    EXPECT_EQ(playedSounds(), QStringList({ "error" }));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_TRUE(alerts.shown().first().informativeText.contains(QStringLiteral(".hidden")));
}

// --- Locked and unlocked ---------------------------------------------------------------------

TEST_F(QVMenuServiceFlagsTest, AMixedSelectionFollowsItsFirstItem)
{
    const QString a = file("a");
    const QString b = file("b");
    const QString c = file("c");
    ASSERT_TRUE(platform::FileFlags::setLocked(b, true));

    select({ a, b, c }); // first unlocked: all are locked, b stays locked
    m_service.lockUnlockFiles(item("Lock and Unlock"));
    for (const QString& p : { a, b, c }) {
        EXPECT_TRUE(platform::FileFlags::isLocked(p)) << qPrintable(p);
        EXPECT_FALSE(platform::FileFlags::isWritable(p)) << qPrintable(p);
    }
    ASSERT_TRUE(platform::FileFlags::setLocked(c, false));

    select({ b, c }); // first locked: all are unlocked, c stays unlocked
    m_service.lockUnlockFiles(item("Lock and Unlock"));
    EXPECT_TRUE(platform::FileFlags::isWritable(b));
    EXPECT_TRUE(platform::FileFlags::isWritable(c));
    EXPECT_TRUE(platform::FileFlags::isLocked(a));

    select({});
    m_service.lockUnlockFiles(item("Lock and Unlock"));
    EXPECT_EQ(playedSounds(), QStringList({ "dingd", "dingd", "dingd" }));
}

TEST_F(QVMenuServiceFlagsTest, AFailedLockSoundsAnErrorAndTheRestIsStillLocked)
{
    const QString a = file("a");
    select({ m_dir + "/missing", a });
    AlertScript script;
    m_service.lockUnlockFiles(item("Lock and Unlock"));
    EXPECT_TRUE(platform::FileFlags::isLocked(a));
    EXPECT_EQ(playedSounds(), QStringList({ "error" }));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.shown()[0].informativeText.contains(m_dir + "/missing"));
}

namespace {

// A selection holding a symbolic link to an item outside the selection.
struct LinkCase
{
    const char* name;
    bool targetIsFolder;
    bool targetLocked; ///< the target and the selected file start locked: the entry reads "Unlock"
    bool linkFirst;
};

const LinkCase linkCases[] = {
    { "LockWithTheLinkFirst", false, false, true },
    { "LockWithTheLinkLast", false, false, false },
    { "LockALinkToAFolder", true, false, false },
    { "UnlockWithTheLinkLast", false, true, false },
};

class QVMenuServiceLockLinkTest : public QVMenuServiceFlagsTest, public testing::WithParamInterface<LinkCase>
{
};

} // namespace

// Lock used to follow a selected link and make its target immutable, an item the user never
// selected. A link is refused with a message that names it; its target stays as it was and the
// other selected items still change.
TEST_P(QVMenuServiceLockLinkTest, ALinkIsRefusedByNameAndItsTargetIsUntouched)
{
    const LinkCase& c = GetParam();
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Lock and Unlock") });
    const QString outside = testHome() + QStringLiteral("/elsewhere/") + (c.targetIsFolder ? "target" : "target.txt");
    if (c.targetIsFolder) {
        ASSERT_TRUE(QDir().mkpath(outside));
    } else {
        writeFile(outside, "not selected");
    }
    // A locked item would outlive the test's temporary folder.
    const auto unlock = qScopeGuard([&outside] { platform::FileFlags::setLocked(outside, false); });
    const QString link = m_dir + "/link $(touch pwned)";
    ASSERT_TRUE(QFile::link(outside, link));
    const QString mine = file("mine.txt");
    if (c.targetLocked) {
        ASSERT_TRUE(platform::FileFlags::setLocked(outside, true));
        ASSERT_TRUE(platform::FileFlags::setLocked(mine, true));
    }
    select(c.linkFirst ? QStringList { link, mine } : QStringList { mine, link });
    {
        AlertScript script;
        const QString title = c.targetLocked && !c.linkFirst ? tr("Unlock") : tr("Lock");
        m_service.handlerMenuTag(tagOf(title));
        ASSERT_EQ(script.shown().size(), 1);
        const QString message = script.shown()[0].informativeText;
        EXPECT_TRUE(message.contains(QStringLiteral("File: \"") + link + QLatin1Char('"'))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("symbolic link"))) << message.toStdString();
        EXPECT_FALSE(message.contains(outside)) << message.toStdString();
    }
    EXPECT_EQ(platform::FileFlags::isLocked(outside), c.targetLocked);
    EXPECT_EQ(platform::FileFlags::isWritable(outside), !c.targetLocked);
    EXPECT_EQ(platform::FileFlags::isLocked(mine), !c.targetLocked);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(platform::FileFlags::isLocked(link));
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/pwned"));
    EXPECT_EQ(playedSounds(), QStringList({ "error" }));
}

INSTANTIATE_TEST_SUITE_P(Links, QVMenuServiceLockLinkTest, testing::ValuesIn(linkCases), caseName<LinkCase>);

TEST_F(QVMenuServiceFlagsTest, ClickingLockRetitlesTheRebuiltMenuUnlock)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Lock and Unlock") });
    const QString a = file("a");
    select({ a });
    m_service.handlerMenuTag(tagOf(tr("Lock")));
    EXPECT_FALSE(platform::FileFlags::isWritable(a));
    m_service.handlerMenuTag(tagOf(tr("Unlock")));
    EXPECT_TRUE(platform::FileFlags::isWritable(a));
    EXPECT_EQ(tagOf(tr("Lock")), 1);
}

// --- The system's hidden files -----------------------------------------------------------------

TEST_F(QVMenuServiceFlagsTest, SystemFilesCopiesTheFilledCommandAndOpensATerminalAtTheDesktop)
{
    TerminalStandIns terminals({ QStringLiteral("gnome-terminal") });
    QDir().mkpath(qv::desktopPath());
    auto entry = item("System Hide Files");
    entry->setCommand(kSystemHideCommand);
    {
        AlertScript script({ 1001, 1000 }); // hide, then the terminal
        m_service.showSystemFiles(entry);
        ASSERT_EQ(script.shown().size(), 2);
        EXPECT_EQ(script.shown()[0].messageText, tr("System Hide Files"));
        EXPECT_EQ(script.shown()[0].buttons.size(), 3);
        EXPECT_EQ(script.shown()[1].messageText, tr("System Hide Files Hide"));
    }
    EXPECT_EQ(platform::Pasteboard::general().string(),
              "defaults write com.apple.finder AppleShowAllFiles -boolean false; killall Finder");
    const QStringList atDesktop { QStringLiteral("--working-directory=") + qv::desktopPath() };
    ASSERT_EQ(terminals.starts().size(), 1);
    EXPECT_EQ(terminals.starts()[0].program, "gnome-terminal");
    EXPECT_EQ(terminals.starts()[0].args, atDesktop);

    AlertScript script({ 1000, 1001 }); // show, then iTerm2, which is the user's terminal here
    m_service.showSystemFiles(entry);
    EXPECT_TRUE(platform::Pasteboard::general().string().contains("-boolean true;"));
    ASSERT_EQ(terminals.starts().size(), 2);
    EXPECT_EQ(terminals.starts()[1].args, atDesktop);
    EXPECT_TRUE(m_launches.isEmpty());
}

TEST_F(QVMenuServiceFlagsTest, CancelInEitherSystemFilesAlertEndsIt)
{
    TerminalStandIns terminals({ QStringLiteral("gnome-terminal") });
    auto entry = item("System Hide Files");
    entry->setCommand(kSystemHideCommand);
    platform::Pasteboard::general().setString("untouched");
    {
        AlertScript script({ 1002 });
        m_service.showSystemFiles(entry);
        EXPECT_EQ(script.shown().size(), 1);
    }
    EXPECT_EQ(platform::Pasteboard::general().string(), "untouched");
    AlertScript script({ 1000, 1002 });
    m_service.showSystemFiles(entry);
    EXPECT_EQ(script.shown().size(), 2);
    EXPECT_TRUE(terminals.starts().isEmpty());
}

// --- Get Info ------------------------------------------------------------------------------------

TEST_F(QVMenuServiceFlagsTest, GetInfoAsksTheFileManagerOrSaysThereIsNone)
{
    const QString a = file("a #1.txt");
    select({ a });
    {
        AlertScript script;
        m_service.getInfo();
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_EQ(script.shown()[0].informativeText, tr("Please select Finder first"));
        EXPECT_TRUE(m_fileManagerCalls.isEmpty());
    }
    m_fileManagerRuns = true;
    AlertScript script;
    m_service.getInfo();
    EXPECT_TRUE(script.shown().isEmpty());
    EXPECT_EQ(m_fileManagerCalls,
              QStringList({ "ShowItemProperties " + QString::fromUtf8(QUrl::fromLocalFile(a).toEncoded()) }));
}

// --- Custom icons --------------------------------------------------------------------------------

class QVMenuServiceIconTest : public QVMenuServiceFlagsTest
{
protected:
    QVMenuItemPtr iconItem(const QString& key = QStringLiteral("red"))
    {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::red);
        // Icons are read only from the shared folder's icon folders.
        const QString png = QVMenuManager::folderIconFolder() + "/" + key + ".png";
        image.save(png);
        auto record = item(key);
        record->setIconPath(png);
        return record;
    }
};

TEST_F(QVMenuServiceIconTest, AFolderGetsTheImageAndRecoverTakesOnlyTheIconLine)
{
    const QString f = folder("f");
    writeFile(f + "/.directory", "[Desktop Entry]\nComment=keep\n[Other]\nIcon=notmine\n");
    select({ f });
    m_service.setFolderIcon(iconItem());
    ASSERT_TRUE(iconWorkDone());
    const QString icon = platform::Workspace::folderIcon(f);
    EXPECT_EQ(QImage(icon).size(), QSize(8, 8));
    EXPECT_TRUE(icon.contains(platform::Workspace::kCustomIconsFolder));
    EXPECT_TRUE(qv::hasCustomIcon(f));
    EXPECT_EQ(lines(f + "/.directory"),
              QStringList({ "Comment=keep", "Icon=" + icon, "Icon=notmine", "[Desktop Entry]", "[Other]" }));

    m_service.setFolderIcon(item("Recover Icon"));
    EXPECT_EQ(QVMenuService::pendingWork(), 0);
    EXPECT_FALSE(qv::hasCustomIcon(f));
    EXPECT_EQ(lines(f + "/.directory"), QStringList({ "Comment=keep", "Icon=notmine", "[Desktop Entry]", "[Other]" }));
}

TEST_F(QVMenuServiceIconTest, AnImageThatCannotBeLoadedOnlyClears)
{
    const QString f = folder("f");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(platform::Workspace::setIcon(image, f));
    ASSERT_TRUE(qv::hasCustomIcon(f));
    auto broken = item("broken");
    broken->setIconPath(writeFile(QVMenuManager::folderIconFolder() + "/broken.png", "not an image"));
    select({ f });
    m_service.setFolderIcon(broken);
    EXPECT_EQ(QVMenuService::pendingWork(), 0);
    EXPECT_FALSE(qv::hasCustomIcon(f));
    EXPECT_FALSE(QFileInfo::exists(f + "/.directory"));
}

TEST_F(QVMenuServiceIconTest, OnAFolderBackgroundTheIconGoesOnlyToWhatThePanelChose)
{
    const QString bg = folder("bg");
    const QString chosen = folder("bg/chosen");
    const QString other = folder("bg/other");
    select({ bg }, false);
    {
        PanelScript panels;
        panels.setNextCancel();
        m_service.setFolderIcon(iconItem());
        ASSERT_EQ(panels.shown().size(), 1);
        const platform::PanelOptions& options = panels.shown()[0].options;
        EXPECT_TRUE(options.canChooseFiles && options.canChooseDirectories && options.allowsMultipleSelection);
        EXPECT_EQ(options.prompt, tr("Choose"));
    }
    ASSERT_TRUE(iconWorkDone());
    EXPECT_FALSE(qv::hasCustomIcon(chosen));

    PanelScript panels;
    panels.setNextPaths({ chosen });
    m_service.setFolderIcon(iconItem());
    ASSERT_TRUE(iconWorkDone());
    EXPECT_TRUE(qv::hasCustomIcon(chosen));
    EXPECT_FALSE(qv::hasCustomIcon(other));
    EXPECT_FALSE(qv::hasCustomIcon(bg));
}

// --- Dispatch --------------------------------------------------------------------------------------

TEST_F(QVMenuServiceFlagsTest, TagsOfTheBuiltMenuReachEachCommand)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed("Hide Selected Files"), keyed("System Hide Files"), keyed("Get Info"), keyed("Folder Icon") });
    storeList(QVMenuManager::kArrayFolderIcon, { entry({ { "key", "google" }, { "icon", "google" } }) });
    const QString f = folder("f");
    select({ f });

    m_service.handlerMenuTag(tagOf(tr("Hide Selected Files")));
    EXPECT_TRUE(platform::FileFlags::isHidden(f));

    {
        AlertScript script({ 1002 });
        m_service.handlerMenuTag(tagOf(tr("System Hide Files")));
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_EQ(script.shown()[0].informativeText, tr("System Hide Files Tip"));
    }
    {
        AlertScript script;
        m_service.handlerMenuTag(tagOf(tr("Get Info")));
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_EQ(script.shown()[0].informativeText, tr("Please select Finder first"));
    }

    const qint64 google = tagOf(tr("Folder Icon"), tr("google"));
    ASSERT_GT(google, 100);
    m_service.handlerMenuTag(google);
    ASSERT_TRUE(iconWorkDone());
    EXPECT_TRUE(qv::hasCustomIcon(f));
    EXPECT_EQ(QImage(platform::Workspace::folderIcon(f)).size(), platform::Bundle::imageNamed("google").size());
    m_service.handlerMenuTag(tagOf(tr("Folder Icon"), tr("Recover")));
    EXPECT_FALSE(qv::hasCustomIcon(f));

    const QVariantMap uses = QVMenuManager::sharedDefaults().dictionaryValue("use count detail");
    EXPECT_EQ(uses.value("Folder Icon").toInt(), 2);
    EXPECT_EQ(uses.value("Get Info").toInt(), 1);
}
