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
    EXPECT_EQ(set->key(), QStringLiteral("Go Set"));
    EXPECT_EQ(set->icon(), QStringLiteral("set"));
    EXPECT_TRUE(set->disabledAuth());

    const QVMenuItemPtr sep = QVMenuItem::sepLineItem();
    EXPECT_TRUE(sep->isSepLine());
    EXPECT_EQ(sep->menuTitle(), QString(26, QLatin1Char('-')));

    const QVMenuItemPtr add = QVMenuItem::addToFileTemplate();
    EXPECT_TRUE(add->isAddToFileTemplate());
    EXPECT_EQ(add->icon(), QStringLiteral("add"));

    // A new record's description is an empty string, not a null one.
    EXPECT_FALSE(QVMenuItem::create()->desc().isNull());
}

TEST(QVMenuItemTest, TitleRules)
{
    auto item = itemWithKey(QStringLiteral("Copy to"));
    // A display name of blanks only is not a title: the key's text is.
    item->setDisplayName(QStringLiteral("   \n"));
    EXPECT_EQ(item->menuTitle(), localized("Copy to"));
    item->setDisplayName(QStringLiteral("Mine"));
    EXPECT_EQ(item->menuTitle(), QStringLiteral("Mine"));

    // An application entry: "Open With" followed directly by the key's text.
    auto app = itemWithKey(QStringLiteral("Sublime Text"));
    app->setAppName(QStringLiteral("Sublime Text"));
    EXPECT_EQ(app->menuTitle(), localized("Open With") + localized("Sublime Text"));
    // ...unless it is an archive-utility command, titled by its key alone.
    auto command = itemWithKey(QStringLiteral("Custom Compression"));
    command->setAppName(QStringLiteral("Borella"));
    command->setAppCmd(QStringLiteral("2"));
    EXPECT_EQ(command->menuTitle(), localized("Custom Compression"));

    // The application build marks keys that end in a blank with "...".
    auto preview = itemWithKey(QStringLiteral("Preview "));
    preview->setAppName(QStringLiteral("Borella"));
    preview->setAppCmd(QStringLiteral("2"));
    EXPECT_EQ(preview->menuTitle(), localized("Preview ") + QStringLiteral("..."));

    // A key the table does not know is its own title.
    EXPECT_EQ(itemWithKey(QStringLiteral("Nobody Knows Me"))->menuTitle(), QStringLiteral("Nobody Knows Me"));
}

TEST(QVMenuItemTest, IconFromIconPathThenNameThenPath)
{
    const QString pngPath = QVMenuManager::rightMenuIconFolder() + QStringLiteral("/mine.png");
    QImage small(3, 5, QImage::Format_ARGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(pngPath));

    auto item = itemWithKey(QStringLiteral("Copy to"));
    item->setIcon(QStringLiteral("copy"));
    item->setIconPath(pngPath);
    EXPECT_EQ(item->menuIcon().size(), QSize(3, 5));

    // A file that is not an image falls through to the named image.
    item->setIconPath(writeFile(QVMenuManager::rightMenuIconFolder() + QStringLiteral("/broken.png"), "not a png"));
    EXPECT_EQ(item->menuIcon(), Bundle::imageNamed(QStringLiteral("copy")));

    // Nothing at all gives no image.
    EXPECT_TRUE(itemWithKey(QStringLiteral("Copy to"))->menuIcon().isNull());
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
    ASSERT_TRUE(picture.save(testHome() + QStringLiteral("/outside.png")));
    auto item = itemWithKey(QStringLiteral("Copy to"));
    item->setIcon(QStringLiteral("copy"));
    item->setIconPath(GetParam().path());
    EXPECT_EQ(item->menuIcon(), Bundle::imageNamed(QStringLiteral("copy")));
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconPathRefusals,
    testing::Values(IconRefusal { "Outside", [] { return testHome() + QStringLiteral("/outside.png"); } },
                    IconRefusal {
                        "ClimbingOut",
                        [] { return QVMenuManager::appIconFolder() + QStringLiteral("/../../../../../outside.png"); } },
                    IconRefusal { "Device", [] { return QStringLiteral("/dev/zero"); } },
                    IconRefusal { "FifoInTheIconFolder",
                                  [] {
                                      const QString pipe = QVMenuManager::appIconFolder() + QStringLiteral("/pipe.png");
                                      ::mkfifo(QFile::encodeName(pipe).constData(), 0600);
                                      return pipe;
                                  } },
                    IconRefusal { "LinkInTheIconFolder",
                                  [] {
                                      const QString link = QVMenuManager::appIconFolder() + QStringLiteral("/link.png");
                                      QFile::link(testHome() + QStringLiteral("/outside.png"), link);
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
    const QString folder = testHome() + QStringLiteral("/Slides.ppt");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(iconFor(folder), Bundle::imageNamed(QStringLiteral("folder")));
    EXPECT_NE(iconFor(folder), Bundle::imageNamed(QStringLiteral("pptx")));

    // Old office extensions take the images of the new ones; images share one image.
    EXPECT_EQ(iconFor(writeFile(testHome() + QStringLiteral("/a.DOC"), "x")),
              Bundle::imageNamed(QStringLiteral("docx")));
    EXPECT_EQ(iconFor(writeFile(testHome() + QStringLiteral("/b.xls"), "x")),
              Bundle::imageNamed(QStringLiteral("xlsx")));
    EXPECT_EQ(iconFor(writeFile(testHome() + QStringLiteral("/c.jpeg"), "x")),
              Bundle::imageNamed(QStringLiteral("img")));
    // webp is not one of the wrapper's image extensions: it has no image of its own, so "file".
    EXPECT_EQ(iconFor(writeFile(testHome() + QStringLiteral("/d.webp"), "x")),
              Bundle::imageNamed(QStringLiteral("file")));
    EXPECT_EQ(iconFor(writeFile(testHome() + QStringLiteral("/e.unknownext"), "x")),
              Bundle::imageNamed(QStringLiteral("file")));
    EXPECT_FALSE(Bundle::imageNamed(QStringLiteral("file")).isNull());
}

TEST(QVMenuItemTest, ValidParentReadsChildKeysAsSwitches)
{
    auto parent = itemWithKey(QStringLiteral("Common App"));
    EXPECT_TRUE(parent->isValidParent()); // no children

    parent->children() << itemWithKey(QStringLiteral("child one")) << itemWithKey(QStringLiteral("child two"));
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    shared.setValue(QStringLiteral("child one"), true);
    EXPECT_TRUE(parent->isValidParent()); // "child two" absent

    shared.setValue(QStringLiteral("child two"), true);
    EXPECT_FALSE(parent->isValidParent());

    shared.setValue(QStringLiteral("child two"), false);
    EXPECT_TRUE(parent->isValidParent());
}

TEST(QVMenuItemTest, KeyPredicatesAreExact)
{
    EXPECT_TRUE(itemWithKey(QStringLiteral("Terminal To"))->isTerminalTo());
    EXPECT_TRUE(itemWithKey(QStringLiteral("iTerm2 To"))->isTerminalTo());
    EXPECT_FALSE(itemWithKey(QStringLiteral("Terminal Window"))->isTerminalTo());
    EXPECT_FALSE(itemWithKey(QStringLiteral("copy to"))->isCopy());
    EXPECT_FALSE(itemWithKey(QStringLiteral("Copy to "))->isCopy());
    EXPECT_TRUE(itemWithKey(QStringLiteral("Copy File(Folder) Name"))->isCopyFileName());
    EXPECT_FALSE(itemWithKey(QStringLiteral("Copy File (Folder) Name"))->isCopyFileName());

    auto borella = QVMenuItem::create();
    borella->setAppBundleId(QStringLiteral("com.valden.borella"));
    EXPECT_TRUE(borella->isBorella());
    EXPECT_FALSE(borella->isBorellaPro());
}

TEST(QVMenuItemTest, CommonPathScriptNeedsAValidScriptWithThePlaceholder)
{
    auto item = QVMenuItem::create();
    EXPECT_FALSE(item->isToCommomPathScript());
    item->setScript(QStringLiteral("cp @rfpaths @rftocommonpath"));
    EXPECT_TRUE(item->isToCommomPathScript());
    item->setScript(QStringLiteral("cp @rfpaths /tmp"));
    EXPECT_FALSE(item->isToCommomPathScript());
}

TEST(QVMenuItemTest, ParentIsWeak)
{
    auto child = QVMenuItem::create();
    {
        auto parent = itemWithKey(QStringLiteral("Copy to"));
        parent->children() << child;
        child->setParent(parent);
        EXPECT_EQ(child->parent(), parent);
    }
    EXPECT_EQ(child->parent(), nullptr);
}
