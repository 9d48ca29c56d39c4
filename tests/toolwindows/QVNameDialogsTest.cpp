// The name dialogs driven through their real widgets, as the user would: typing, choosing the
// mode, OK, Cancel and closing the window; and the new-file save panel with its accessory.

#include "toolwindows/editname/QVEditNameWinCtl.h"
#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"
#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"
#include "toolwindows/newfolder/QVNewFolderWinCtl.h"

#include "platform/Bundle.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace tarsel::test;

namespace {

struct Typed
{
    const char* name;
    QString text;
    bool accepted; ///< OK closes the dialog and hands the text on
};

using FolderNameDialogTest = testing::TestWithParam<Typed>;

} // namespace

// A name with "/" or NUL, or "." or "..", names no folder in the folder: the dialog stays open
// instead of handing the engine a path that points elsewhere.
TEST_P(FolderNameDialogTest, OkTakesOnlyAFolderName)
{
    const Typed& c = GetParam();
    QVEmbedFolderWinCtl embed;
    std::optional<std::pair<QString, int>> embedAnswer;
    embed.setHandler([&](const QString& name, int mode) { embedAnswer = { name, mode }; });
    embed.openWithName(QStringLiteral("photo"));
    embed.foldIntoInput()->setText(c.text);
    embed.modePupUpButton()->setCurrentIndex(1);
    QTest::mouseClick(embed.okButton(), Qt::LeftButton);

    QVNewFolderWinCtl newFolder;
    std::optional<QString> folderAnswer;
    newFolder.setHandler([&](const QString& name) { folderAnswer = name; });
    newFolder.open(QStringLiteral("Untitled"));
    newFolder.nameInput()->setText(c.text);
    QTest::keyClick(newFolder.nameInput(), Qt::Key_Return);

    EXPECT_EQ(embed.window()->isVisible(), !c.accepted);
    EXPECT_EQ(newFolder.window()->isVisible(), !c.accepted);
    if (c.accepted) {
        EXPECT_EQ(embedAnswer, std::make_optional(std::make_pair(c.text, 1)));
        EXPECT_EQ(folderAnswer, std::make_optional(c.text));
    } else {
        EXPECT_FALSE(embedAnswer.has_value());
        EXPECT_FALSE(folderAnswer.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FolderNameDialogTest,
    testing::Values(Typed { "PlainName", QStringLiteral("Holiday 2024"), true },
                    Typed { "DotFileName", QStringLiteral(".config"), true },
                    Typed { "OnlySpaces", QStringLiteral("   "), false }, Typed { "Empty", QString(), false },
                    Typed { "Slash", QStringLiteral("a/b"), false },
                    Typed { "Nul", QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), false },
                    Typed { "Dot", QStringLiteral("."), false }, Typed { "DotDot", QStringLiteral(".."), false }),
    caseName<Typed>);

TEST(NameDialogTest, CancelAndClosingHandBackTheEmptyNameOnce)
{
    QVEmbedFolderWinCtl embed;
    QList<std::pair<QString, int>> answers;
    embed.setHandler([&](const QString& name, int mode) { answers.append({ name, mode }); });
    embed.openWithName(QStringLiteral("photo"));
    EXPECT_EQ(embed.foldIntoInput()->text(), QStringLiteral("photo"));
    EXPECT_EQ(embed.window()->windowTitle(), platform::Bundle::localizedString(QStringLiteral("Embed in Folder")));
    embed.modePupUpButton()->setCurrentIndex(1);
    QTest::mouseClick(embed.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(embed.window()->isVisible());
    // The window closed by its title bar answers like Cancel, so the engine's wait ends.
    QVNewFolderWinCtl newFolder;
    QStringList names;
    newFolder.setHandler([&](const QString& name) { names << name; });
    newFolder.open(QStringLiteral("Untitled"));
    newFolder.window()->close();
    newFolder.close();
    EXPECT_EQ(answers, (QList<std::pair<QString, int>> { { QString(), 0 } }));
    EXPECT_EQ(names, QStringList { QString() });
}

// A display name is a label, not a file name: "/" is fine; only the length is limited.
TEST(NameDialogTest, DisplayNamesTakeAnyTextOfAtMostThirtyUnits)
{
    AlertScript alerts;
    QVEditNameWinCtl ctl;
    QStringList edited;
    ctl.setEditHandler([&](const QString& name) { edited << name; });
    ctl.setDefaultAlias(QStringLiteral("Old"));
    ctl.openOnWindow(nullptr);
    EXPECT_EQ(ctl.aliasTextField()->text(), QStringLiteral("Old"));
    EXPECT_EQ(ctl.tipLabel()->text(), platform::Bundle::localizedString(QStringLiteral("Please enter a display name")));
    for (const QString& text : { QString(31, QLatin1Char('x')), QString(30, QLatin1Char('x')) }) {
        ctl.openOnWindow(nullptr);
        ctl.aliasTextField()->setText(text);
        QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);
    }
    ctl.openOnWindow(nullptr);
    ctl.aliasTextField()->setText(QStringLiteral(" a/b "));
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);
    ctl.openOnWindow(nullptr);
    ctl.aliasTextField()->clear();
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);
    EXPECT_EQ(edited, (QStringList { QString(30, QLatin1Char('x')), QStringLiteral(" a/b "), QString() }));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText,
              platform::Bundle::localizedString(QStringLiteral("The name cannot exceed 30 characters")));
}

TEST(NameDialogTest, TheNewFilePanelOffersTheTemplatesAndIsLimitedToTheChosenType)
{
    PanelScript panels;
    panels.setNextPaths({ QStringLiteral("/tmp/Notes.md") });
    QVNameDialogs::NewFilePanel panel;
    panel.directory = QStringLiteral("/tmp");
    panel.fileName = QStringLiteral("Untitled");
    panel.currentKey = QStringLiteral("md");
    panel.templates = { { QStringLiteral("New File From Window"), QString(), QStringLiteral("New File From Window"),
                          QIcon(), false },
                        { QStringLiteral("txt"), QStringLiteral("Plain Text"), QStringLiteral("txt"), QIcon(), true },
                        { QStringLiteral("md"), QStringLiteral("Markdown"), QStringLiteral("md"), QIcon(), true } };
    QString path;
    int index = -1;
    QVSelectFileTypeViewCtl::runNewFilePanel(panel, [&](const QString& p, int i) {
        path = p;
        index = i;
    });
    ASSERT_EQ(panels.shown().size(), 1);
    const platform::PanelOptions& options = panels.shown().first().options;
    EXPECT_EQ(options.allowedFileTypes, QStringList { QStringLiteral("md") });
    EXPECT_EQ(options.nameFieldValue, QStringLiteral("Untitled"));
    EXPECT_EQ(options.directory, QStringLiteral("/tmp"));
    EXPECT_NE(options.accessoryView, nullptr);
    EXPECT_EQ(path, QStringLiteral("/tmp/Notes.md"));
    EXPECT_EQ(index, 2);
}
