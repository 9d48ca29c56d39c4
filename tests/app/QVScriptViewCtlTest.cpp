#include "app/settings/QVAddEditScriptWinCtl.h"
#include "app/settings/QVScriptHelpViewCtl.h"
#include "app/settings/QVScriptViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVTextView.h"
#include "foundation/ViewExpand.h"

#include "KeyTyping.h"
#include "SettingsHostMenu.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/SettingsPageTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// Things a user right-clicks; the picture's name would break a naively quoted command line.
struct Files
{
    QString png;
    QString txt;
    QString folder;
};

Files makeFiles()
{
    Files f;
    f.png = writeFile(inHome(QStringLiteral("work/it's $(touch pwned) a.png")), "png");
    f.txt = writeFile(inHome(QStringLiteral("work/readme.txt")), "txt");
    f.folder = inHome(QStringLiteral("work/sub"));
    QDir().mkpath(f.folder);
    return f;
}

QVariantList scripts()
{
    return QVMenuManager::storedList(QVMenuManager::kArrayCommonScript);
}

QVariantMap scriptNamed(const QString& name)
{
    for (const QVariant& entry : scripts()) {
        if (entry.toMap().value(QStringLiteral("displayName")) == name) {
            return entry.toMap();
        }
    }
    return {};
}

QVAddEditScriptWinCtl* openAdd(QVScriptViewCtl& page)
{
    child<QPushButton>(&page, "addButton")->click();
    return page.addEditScriptWinCtl();
}

// Fills the open dialog: name, script, and optionally "needs a file" with formats; then OK.
void fill(QVAddEditScriptWinCtl* dialog, const QString& name, const QString& script, const QString& formats = QString())
{
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    typeKeys(child<QLineEdit>(dialog, "nameInput"), name);
    typeKeys(child<QVTextView>(dialog, "contentTextView"), script);
    if (!formats.isNull()) {
        child<QCheckBox>(dialog, "fileCheck")->click();
        typeKeys(child<QLineEdit>(dialog, "formatInput"), formats);
    }
    child<QPushButton>(dialog, "okBtn")->click();
}

int rowNamed(QVScriptViewCtl& page, const QString& name)
{
    for (int row = 0; row < page.page().rows().size(); ++row) {
        if (page.page().row(row)->menuTitle() == name) {
            return row;
        }
    }
    return -1;
}

void tickMain(QVScriptViewCtl& page, const QString& name, bool on)
{
    const int row = rowNamed(page, name);
    ASSERT_GE(row, 0);
    page.tableView()->item(row, QVScriptViewCtl::AddToMainMenu)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Tabs, a non-breaking space, trailing blanks, quotes and a last line break: a script keeps them.
const QString kTypedScript = QStringLiteral("# a\tcomment\u00A0with odd  blanks  \n"
                                            "printf '%s' @rfpath > \"$HOME/ran.txt\"\n");

struct ScriptCase
{
    const char* name;
    std::function<void(QVScriptViewCtl& page, const Files& f)> edit;
    std::function<void(QVScriptViewCtl& page, const Files& f)> check;
};

class ScriptPageEditTest : public ::testing::TestWithParam<ScriptCase>
{
};

TEST_P(ScriptPageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const Files f = makeFiles();
    QVScriptViewCtl page;
    page.show();
    GetParam().edit(page, f);
    GetParam().check(page, f);
}

const ScriptCase kScriptCases[] = {
    // What the user typed is what is stored, and the engine runs it with the selection quoted.
    { "TypedScriptStoredAsTypedAndRun",
      [](QVScriptViewCtl& page, const Files&) { fill(openAdd(page), QStringLiteral("Where"), kTypedScript); },
      [](QVScriptViewCtl& page, const Files& f) {
          const QVariantMap entry = scriptNamed(QStringLiteral("Where"));
          EXPECT_EQ(entry.value(QStringLiteral("script")).toString(), kTypedScript);
          EXPECT_EQ(entry.value(QStringLiteral("ext")), QStringLiteral("sh"));
          EXPECT_EQ(entry.value(QStringLiteral("icon")), QStringLiteral("shell"));
          EXPECT_FALSE(entry.value(QStringLiteral("createTime")).toString().isEmpty());
          EXPECT_FALSE(page.addEditScriptWinCtl()->isVisible());
          EXPECT_EQ(page.page().rows().size(), scripts().size());
          const HostMenu menu = hostMenuFor({ f.png });
          const HostEntry* shown = menu.find(QStringLiteral("Where"), false);
          ASSERT_NE(shown, nullptr);
          const HostRun run = runHost({ QStringLiteral("pick"), QString::number(shown->tag), f.png });
          EXPECT_EQ(readFile(inHome(QStringLiteral("ran.txt"))), f.png.toUtf8()) << run.err.constData();
          EXPECT_FALSE(QFileInfo::exists(inHome(QStringLiteral("work/pwned"))));
          EXPECT_FALSE(QFileInfo::exists(QStringLiteral("pwned")));
      } },
    { "NameOfThirtyAcceptedThirtyOneRefused",
      [](QVScriptViewCtl& page, const Files&) {
          fill(openAdd(page), QString(30, QLatin1Char('a')), QStringLiteral("true"));
          QVAddEditScriptWinCtl* dialog = openAdd(page);
          fill(dialog, QString(31, QLatin1Char('b')), QStringLiteral("true"));
          EXPECT_TRUE(dialog->isVisible());
          EXPECT_TRUE(QTest::qWaitFor([&] { return qv::hudVisible(dialog); }));
          child<QPushButton>(dialog, "cancelBtn")->click();
      },
      [](QVScriptViewCtl&, const Files& f) {
          EXPECT_FALSE(scriptNamed(QString(30, QLatin1Char('a'))).isEmpty());
          EXPECT_TRUE(scriptNamed(QString(31, QLatin1Char('b'))).isEmpty());
          EXPECT_TRUE(hostMenuFor({ f.txt }).has(QString(30, QLatin1Char('a'))));
      } },
    { "BlankScriptRefused",
      [](QVScriptViewCtl& page, const Files&) {
          QVAddEditScriptWinCtl* dialog = openAdd(page);
          fill(dialog, QStringLiteral("Nothing"), QStringLiteral("  \n\t"));
          EXPECT_TRUE(dialog->isVisible());
          child<QPushButton>(dialog, "cancelBtn")->click();
      },
      [](QVScriptViewCtl&, const Files&) { EXPECT_TRUE(scriptNamed(QStringLiteral("Nothing")).isEmpty()); } },
    // The copy in the main menu carries the needs and formats: it showed for every selection.
    { "MainMenuCopyOfferedLikeTheEntry",
      [](QVScriptViewCtl& page, const Files&) {
          fill(openAdd(page), QStringLiteral("Pictures only"), QStringLiteral("true"), QStringLiteral("PNG\uFF0CJPG"));
          tickMain(page, QStringLiteral("Pictures only"), true);
      },
      [](QVScriptViewCtl&, const Files& f) {
          const QVariantMap entry = scriptNamed(QStringLiteral("Pictures only"));
          EXPECT_EQ(entry.value(QStringLiteral("formats")), QStringLiteral("png,jpg"));
          EXPECT_EQ(entry.value(QStringLiteral("needFile")).toInt(), 1);
          const QVariantMap copy = mainEntry(0);
          EXPECT_EQ(copy.value(QStringLiteral("key")), entry.value(QStringLiteral("key")));
          EXPECT_EQ(copy.value(QStringLiteral("script")), QStringLiteral("true"));
          EXPECT_TRUE(copy.value(QStringLiteral("needFile")).toBool());
          EXPECT_FALSE(copy.value(QStringLiteral("needFolder")).toBool());
          EXPECT_EQ(copy.value(QStringLiteral("formats")), QStringLiteral("png,jpg"));
          EXPECT_TRUE(hostMenuFor({ f.png }).hasTop(QStringLiteral("Pictures only")));
          EXPECT_FALSE(hostMenuFor({ f.txt }).has(QStringLiteral("Pictures only")));
          EXPECT_FALSE(hostMenuFor({ f.folder }).has(QStringLiteral("Pictures only")));
      } },
    { "DeleteTickedRemovesBoth",
      [](QVScriptViewCtl& page, const Files&) {
          fill(openAdd(page), QStringLiteral("Gone"), QStringLiteral("true"));
          tickMain(page, QStringLiteral("Gone"), true);
          ASSERT_EQ(mainEntry(0).value(QStringLiteral("displayName")), QStringLiteral("Gone"));
          page.tableView()->selectRow(rowNamed(page, QStringLiteral("Gone")));
          child<QPushButton>(&page, "deleteButton")->click();
      },
      [](QVScriptViewCtl&, const Files& f) {
          EXPECT_TRUE(scriptNamed(QStringLiteral("Gone")).isEmpty());
          EXPECT_NE(mainEntry(0).value(QStringLiteral("displayName")), QStringLiteral("Gone"));
          EXPECT_FALSE(hostMenuFor({ f.txt }).has(QStringLiteral("Gone")));
      } },
    { "FullListOpensNoDialog",
      [](QVScriptViewCtl& page, const Files&) {
          QVMenuManager::editList(QVMenuManager::kArrayCommonScript, [](QVariantList& list) {
              while (list.size() < QVScriptViewCtl::kLimit) {
                  list << QVariantMap { { QStringLiteral("key"), QStringLiteral("filler%1").arg(list.size()) },
                                        { QStringLiteral("script"), QStringLiteral("true") } };
              }
          });
          AlertScript alerts;
          child<QPushButton>(&page, "addButton")->click();
          ASSERT_EQ(alerts.shown().size(), 1);
          EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Submenu Limit Tip")));
      },
      [](QVScriptViewCtl& page, const Files&) {
          EXPECT_TRUE(page.addEditScriptWinCtl() == nullptr || !page.addEditScriptWinCtl()->isVisible());
          EXPECT_EQ(scripts().size(), QVScriptViewCtl::kLimit);
      } },
    { "AppleScriptTypeChangesTheDefaultIcon",
      [](QVScriptViewCtl& page, const Files&) {
          QVAddEditScriptWinCtl* dialog = openAdd(page);
          child<QRadioButton>(dialog, "appleScriptButton")->click();
          EXPECT_EQ(dialog->icon(), QStringLiteral("applescript"));
          fill(dialog, QStringLiteral("Say"), QStringLiteral("say hi"));
          // A chosen picture wins over the type's icon.
          dialog = openAdd(page);
          QImage picture(200, 100, QImage::Format_ARGB32);
          picture.fill(Qt::green);
          EXPECT_TRUE(dialog->saveImage(picture));
          child<QRadioButton>(dialog, "appleScriptButton")->click();
          EXPECT_EQ(dialog->icon(), QStringLiteral("shell"));
          fill(dialog, QStringLiteral("Pictured"), QStringLiteral("true"));
      },
      [](QVScriptViewCtl&, const Files& f) {
          const QVariantMap say = scriptNamed(QStringLiteral("Say"));
          EXPECT_EQ(say.value(QStringLiteral("ext")), QStringLiteral("scpt"));
          EXPECT_EQ(say.value(QStringLiteral("icon")), QStringLiteral("applescript"));
          const QString icon = scriptNamed(QStringLiteral("Pictured")).value(QStringLiteral("iconPath")).toString();
          EXPECT_TRUE(icon.startsWith(QVMenuManager::fileTemplateFolder())) << icon.toStdString();
          EXPECT_EQ(QImage(icon).size(), QSize(60, 60));
          EXPECT_TRUE(QDir(QVMenuManager::cacheFolder()).isEmpty());
          EXPECT_TRUE(hostMenuFor({ f.txt }).has(QStringLiteral("Say")));
      } },
    // Editing only the name must give back the stored script unchanged, also line ends and
    // characters the text area would show differently; the main menu's copy follows the edit.
    { "EditKeepsTheScriptAndUpdatesTheCopy",
      [](QVScriptViewCtl& page, const Files&) {
          fill(openAdd(page), QStringLiteral("Old"), QStringLiteral("true"));
          const QString key = scriptNamed(QStringLiteral("Old")).value(QStringLiteral("key")).toString();
          QVMenuManager::updateMenuKey(QVMenuManager::kArrayCommonScript, key, QStringLiteral("script"),
                                       QStringLiteral("echo a\r\necho\u00A0b\r\n"));
          page.refresh();
          tickMain(page, QStringLiteral("Old"), true);
          page.tableView()->selectRow(rowNamed(page, QStringLiteral("Old")));
          child<QPushButton>(&page, "editButton")->click();
          QVAddEditScriptWinCtl* dialog = page.addEditScriptWinCtl();
          auto* name = child<QLineEdit>(dialog, "nameInput");
          name->clear();
          typeKeys(name, QStringLiteral("New"));
          child<QPushButton>(dialog, "okBtn")->click();
      },
      [](QVScriptViewCtl&, const Files& f) {
          const QVariantMap entry = scriptNamed(QStringLiteral("New"));
          EXPECT_EQ(entry.value(QStringLiteral("script")), QStringLiteral("echo a\r\necho\u00A0b\r\n"));
          EXPECT_TRUE(scriptNamed(QStringLiteral("Old")).isEmpty());
          EXPECT_EQ(mainEntry(0).value(QStringLiteral("displayName")), QStringLiteral("New"));
          EXPECT_EQ(mainEntry(0).value(QStringLiteral("script")), QStringLiteral("echo a\r\necho\u00A0b\r\n"));
          EXPECT_TRUE(hostMenuFor({ f.txt }).hasTop(QStringLiteral("New")));
      } },
    { "RecoverRestoresTheFactoryScripts",
      [](QVScriptViewCtl& page, const Files&) {
          fill(openAdd(page), QStringLiteral("Mine"), QStringLiteral("true"));
          tickMain(page, QStringLiteral("Mine"), true);
          AlertScript alerts({ platform::Alert::FirstButtonReturn });
          child<QPushButton>(&page, "recoverBtn")->click();
          ASSERT_TRUE(QTest::qWaitFor([] { return scriptNamed(QStringLiteral("Mine")).isEmpty(); }, 5000));
      },
      [](QVScriptViewCtl& page, const Files& f) {
          EXPECT_EQ(page.page().rows().size(), scripts().size());
          EXPECT_NE(mainEntry(0).value(QStringLiteral("displayName")), QStringLiteral("Mine"));
          EXPECT_FALSE(hostMenuFor({ f.txt }).has(QStringLiteral("Mine")));
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, ScriptPageEditTest, ::testing::ValuesIn(kScriptCases), caseName<ScriptCase>);

TEST(ScriptHelpTest, HelpButtonShowsThePlaceholderHelp)
{
    QVAddEditScriptWinCtl dialog;
    dialog.show();
    child<QToolButton>(&dialog, "helpButton")->click();
    ASSERT_NE(dialog.helpViewCtl(), nullptr);
    EXPECT_TRUE(dialog.helpViewCtl()->isVisible());
    EXPECT_TRUE(dialog.helpViewCtl()->content().contains(QStringLiteral("@rfpath")));
}

// The help popover opens under "?" and stays on the screen wherever the dialog stands, also
// at the right edge of a screen the popover is nearly as wide as.
TEST(ScriptHelpTest, HelpPopoverStaysOnTheScreen)
{
    QVAddEditScriptWinCtl dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect area = dialog.screen()->availableGeometry();
    const QList<QPoint> places = { area.topLeft(), QPoint(area.right() - dialog.width(), area.top()),
                                   QPoint(area.right() - dialog.width(), area.bottom() - dialog.height()) };
    for (const QPoint& at : places) {
        dialog.move(at);
        QTest::qWait(0);
        child<QToolButton>(&dialog, "helpButton")->click();
        const auto* popup = dialog.findChild<QWidget*>(QStringLiteral("helpPopup"));
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(popup->isVisible());
        EXPECT_TRUE(area.contains(popup->geometry())) << at.x() << "," << at.y();
        const_cast<QWidget*>(popup)->hide();
    }
}

} // namespace
