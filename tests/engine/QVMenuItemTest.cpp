#include "engine/model/QVMenuItem.h"

#include "MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using platform::Bundle;
using tarsel::test::caseName;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QVMenuItemPtr itemWithKey(const QString& key)
{
    auto item = QVMenuItem::create();
    item->setKey(key);
    return item;
}

QString localized(const char* key)
{
    return Bundle::localizedString(QLatin1String(key));
}

} // namespace

TEST(QVMenuItemTest, FactoryRecords)
{
    const QVMenuItemPtr set = QVMenuItem::setItem();
    EXPECT_EQ(set->key(), "Go Set");
    EXPECT_EQ(set->icon(), "set");
    EXPECT_TRUE(set->disabledAuth());

    const QVMenuItemPtr sep = QVMenuItem::sepLineItem();
    EXPECT_TRUE(sep->isSepLine());
    EXPECT_EQ(sep->menuTitle(), QString(26, QLatin1Char('-')));

    const QVMenuItemPtr add = QVMenuItem::addToFileTemplate();
    EXPECT_TRUE(add->isAddToFileTemplate());
    EXPECT_EQ(add->icon(), "add");

    // A new record's description is an empty string, not a null one.
    EXPECT_FALSE(QVMenuItem::create()->desc().isNull());
}

TEST(QVMenuItemTest, TitleRules)
{
    auto item = itemWithKey("Copy to");
    // A display name of blanks only is not a title: the key's text is.
    item->setDisplayName("   \n");
    EXPECT_EQ(item->menuTitle(), localized("Copy to"));
    item->setDisplayName("Mine");
    EXPECT_EQ(item->menuTitle(), "Mine");

    // An application entry: "Open With" followed directly by the key's text.
    auto app = itemWithKey("Sublime Text");
    app->setAppName("Sublime Text");
    EXPECT_EQ(app->menuTitle(), localized("Open With") + localized("Sublime Text"));
    // ...unless it is an archive-utility command, titled by its key alone.
    auto command = itemWithKey("Custom Compression");
    command->setAppName("Borella");
    command->setAppCmd("2");
    EXPECT_EQ(command->menuTitle(), localized("Custom Compression"));

    // The application build marks keys that end in a blank with "...".
    auto preview = itemWithKey("Preview ");
    preview->setAppName("Borella");
    preview->setAppCmd("2");
    EXPECT_EQ(preview->menuTitle(), localized("Preview ") + "...");

    // A key the table does not know is its own title.
    EXPECT_EQ(itemWithKey("Nobody Knows Me")->menuTitle(), "Nobody Knows Me");
}

TEST(QVMenuItemTest, IconFromIconPathThenNameThenPath)
{
    const QString pngPath = QVMenuManager::rightMenuIconFolder() + "/mine.png";
    QImage small(3, 5, QImage::Format_ARGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(pngPath));

    auto item = itemWithKey("Copy to");
    item->setIcon("copy");
    item->setIconPath(pngPath);
    EXPECT_EQ(item->menuIcon().size(), QSize(3, 5));

    // A file that is not an image falls through to the named image.
    item->setIconPath(writeFile(QVMenuManager::rightMenuIconFolder() + "/broken.png", "not a png"));
    EXPECT_EQ(item->menuIcon(), Bundle::imageNamed("copy"));

    // Nothing at all gives no image.
    EXPECT_TRUE(itemWithKey("Copy to")->menuIcon().isNull());
}

namespace {

struct IconRefusal
{
    const char* name;
    std::function<QString()> path;
};

using IconPathRefusals = testing::TestWithParam<IconRefusal>;

} // namespace

// The icon path of a stored or imported entry was loaded from wherever it pointed: a FIFO
// blocked every menu for ever, a device was read without end. Only a regular file of the shared
// icon folders is read; anything else falls through to the named image at once.
TEST_P(IconPathRefusals, FallThroughToTheNamedImage)
{
    QImage picture(3, 5, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(testHome() + "/outside.png"));
    auto item = itemWithKey("Copy to");
    item->setIcon("copy");
    item->setIconPath(GetParam().path());
    EXPECT_EQ(item->menuIcon(), Bundle::imageNamed("copy"));
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconPathRefusals,
    testing::Values(IconRefusal { "Outside", [] { return testHome() + "/outside.png"; } },
                    IconRefusal { "ClimbingOut",
                                  [] { return QVMenuManager::appIconFolder() + "/../../../../../outside.png"; } },
                    IconRefusal { "Device", [] { return "/dev/zero"; } },
                    IconRefusal { "FifoInTheIconFolder",
                                  [] {
                                      const QString pipe = QVMenuManager::appIconFolder() + "/pipe.png";
                                      ::mkfifo(QFile::encodeName(pipe).constData(), 0600);
                                      return pipe;
                                  } },
                    IconRefusal { "LinkInTheIconFolder",
                                  [] {
                                      const QString link = QVMenuManager::appIconFolder() + "/link.png";
                                      QFile::link(testHome() + "/outside.png", link);
                                      return link;
                                  } }),
    caseName<IconRefusal>);

TEST(QVMenuItemTest, IconChosenByTheFileAtPath)
{
    auto iconFor = [](const QString& path) {
        auto item = itemWithKey(path);
        item->setPath(path);
        return item->menuIcon();
    };
    // A folder is a folder whatever its extension.
    const QString folder = testHome() + "/Slides.ppt";
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(iconFor(folder), Bundle::imageNamed("folder"));
    EXPECT_NE(iconFor(folder), Bundle::imageNamed("pptx"));

    // Old office extensions take the images of the new ones; images share one image.
    EXPECT_EQ(iconFor(writeFile(testHome() + "/a.DOC", "x")), Bundle::imageNamed("docx"));
    EXPECT_EQ(iconFor(writeFile(testHome() + "/b.xls", "x")), Bundle::imageNamed("xlsx"));
    EXPECT_EQ(iconFor(writeFile(testHome() + "/c.jpeg", "x")), Bundle::imageNamed("img"));
    // webp is not one of the wrapper's image extensions: it has no image of its own, so "file".
    EXPECT_EQ(iconFor(writeFile(testHome() + "/d.webp", "x")), Bundle::imageNamed("file"));
    EXPECT_EQ(iconFor(writeFile(testHome() + "/e.unknownext", "x")), Bundle::imageNamed("file"));
    EXPECT_FALSE(Bundle::imageNamed("file").isNull());
}

TEST(QVMenuItemTest, ValidParentReadsChildKeysAsSwitches)
{
    auto parent = itemWithKey("Common App");
    EXPECT_TRUE(parent->isValidParent()); // no children

    parent->children() << itemWithKey("child one") << itemWithKey("child two");
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    shared.setValue("child one", true);
    EXPECT_TRUE(parent->isValidParent()); // "child two" absent

    shared.setValue("child two", true);
    EXPECT_FALSE(parent->isValidParent());

    shared.setValue("child two", false);
    EXPECT_TRUE(parent->isValidParent());
}

TEST(QVMenuItemTest, KeyPredicatesAreExact)
{
    EXPECT_TRUE(itemWithKey("Terminal To")->isTerminalTo());
    EXPECT_TRUE(itemWithKey("iTerm2 To")->isTerminalTo());
    EXPECT_FALSE(itemWithKey("Terminal Window")->isTerminalTo());
    EXPECT_FALSE(itemWithKey("copy to")->isCopy());
    EXPECT_FALSE(itemWithKey("Copy to ")->isCopy());
    EXPECT_TRUE(itemWithKey("Copy File(Folder) Name")->isCopyFileName());
    EXPECT_FALSE(itemWithKey("Copy File (Folder) Name")->isCopyFileName());

    auto borella = QVMenuItem::create();
    borella->setAppBundleId("com.valden.borella");
    EXPECT_TRUE(borella->isBorella());
    EXPECT_FALSE(borella->isBorellaPro());
}

TEST(QVMenuItemTest, CommonPathScriptNeedsAValidScriptWithThePlaceholder)
{
    auto item = QVMenuItem::create();
    EXPECT_FALSE(item->isToCommomPathScript());
    item->setScript("cp @rfpaths @rftocommonpath");
    EXPECT_TRUE(item->isToCommomPathScript());
    item->setScript("cp @rfpaths /tmp");
    EXPECT_FALSE(item->isToCommomPathScript());
}

TEST(QVMenuItemTest, ParentIsWeak)
{
    auto child = QVMenuItem::create();
    {
        auto parent = itemWithKey("Copy to");
        parent->children() << child;
        child->setParent(parent);
        EXPECT_EQ(child->parent(), parent);
    }
    EXPECT_EQ(child->parent(), nullptr);
}
