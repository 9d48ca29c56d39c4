#include "app/settings/QVEditInfoWinCtl.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "foundation/ViewExpand.h"
#include "platform/Panels.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QVMenuItemPtr entry(const QString& key, const QString& iconPath = QString())
{
    QVMenuItemPtr item = QVMenuItem::create();
    item->setKey(key);
    item->setIconPath(iconPath);
    return item;
}

QString customIcon(const QString& key)
{
    QDir().mkpath(QVMenuManager::rightMenuIconFolder());
    const QString path = QDir(QVMenuManager::rightMenuIconFolder()).filePath(key + QStringLiteral(".png"));
    QImage image(60, 60, QImage::Format_ARGB32);
    image.fill(Qt::red);
    image.save(path, "PNG");
    return path;
}

struct DialogCase
{
    const char* name;
    /// Drives the reused dialog; answers the result of the last OK (empty when none).
    std::function<QVariantMap(QVEditInfoWinCtl& dialog, const QString& iconA, const QString& iconB)> drive;
    bool iconAKept;
    bool iconBKept;
    QString resultIcon; ///< "A", "B", "cache" (the chosen icon moved in) or "" (removed)
};

class EditDialogTest : public ::testing::TestWithParam<DialogCase>
{
};

QVariantMap okOn(QVEditInfoWinCtl& dialog, const QVMenuItemPtr& item)
{
    QVariantMap result;
    dialog.editWithItem(item);
    dialog.editHandler = [&result](const QVariantMap& r) { result = r; };
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    dialog.editHandler = nullptr;
    return result;
}

TEST_P(EditDialogTest, IconsFollowTheEntryTheDialogIsOpenFor)
{
    const QString iconA = customIcon(QStringLiteral("Copy to"));
    const QString iconB = customIcon(QStringLiteral("Move to"));
    QVEditInfoWinCtl dialog;
    const QVariantMap result = GetParam().drive(dialog, iconA, iconB);
    EXPECT_EQ(QFile::exists(iconA), GetParam().iconAKept);
    EXPECT_EQ(QFile::exists(iconB), GetParam().iconBKept);
    const QString icon = result.value(QStringLiteral("iconPath")).toString();
    const QString expected = GetParam().resultIcon == QLatin1String("A") ? iconA
        : GetParam().resultIcon == QLatin1String("B")                    ? iconB
        : GetParam().resultIcon == QLatin1String("cache")                ? iconA
                                                                         : QString();
    EXPECT_EQ(icon, expected);
    // A chosen icon lives in the cache only until OK or Cancel.
    EXPECT_TRUE(QDir(QVMenuManager::cacheFolder()).isEmpty()) << "a chosen icon outlives the dialog";
}

const DialogCase kDialogCases[] = {
    { "OkKeepsTheIcon",
      [](QVEditInfoWinCtl& d, const QString& a, const QString&) {
          return okOn(d, entry(QStringLiteral("Copy to"), a));
      },
      true, true, "A" },
    { "RemoveThenOkDeletesIt",
      [](QVEditInfoWinCtl& d, const QString& a, const QString&) {
          d.editWithItem(entry(QStringLiteral("Copy to"), a));
          d.onDeleteIconPath();
          QVariantMap result;
          d.editHandler = [&result](const QVariantMap& r) { result = r; };
          d.onSure();
          return result;
      },
      false, true, "" },
    // A removal cancelled on one entry must not delete that icon when OK is pressed for the next.
    { "CancelledRemovalForgotten",
      [](QVEditInfoWinCtl& d, const QString& a, const QString& b) {
          d.editWithItem(entry(QStringLiteral("Copy to"), a));
          d.onDeleteIconPath();
          d.onCancel();
          return okOn(d, entry(QStringLiteral("Move to"), b));
      },
      true, true, "B" },
    // The same when the dialog is simply opened for another entry without Cancel.
    { "ReopenedForAnotherEntry",
      [](QVEditInfoWinCtl& d, const QString& a, const QString& b) {
          d.editWithItem(entry(QStringLiteral("Copy to"), a));
          d.onDeleteIconPath();
          return okOn(d, entry(QStringLiteral("Move to"), b));
      },
      true, true, "B" },
    // Chosen through the open panel, as the user does: redrawn at 60 by 60 into the cache, and
    // moved into the custom-icon folder on OK.
    { "ChosenIconMovedInOnOk",
      [](QVEditInfoWinCtl& d, const QString&, const QString&) {
          d.editWithItem(entry(QStringLiteral("Copy to")));
          const QString picked = QDir(testHome()).filePath(QStringLiteral("picked.webp"));
          QImage picture(200, 100, QImage::Format_ARGB32);
          picture.fill(Qt::blue);
          EXPECT_TRUE(picture.save(picked));
          PanelScript panels;
          panels.setNextPaths({ picked });
          d.findChild<QPushButton*>(QStringLiteral("iconButton"))->click();
          EXPECT_TRUE(QTest::qWaitFor([&d] { return !d.iconPath().isEmpty(); }));
          EXPECT_EQ(panels.shown().size(), 1);
          EXPECT_EQ(panels.shown().value(0).options.level, platform::Panels::ShieldingLevel);
          EXPECT_FALSE(panels.shown().value(0).options.canChooseDirectories);
          QVariantMap result;
          d.editHandler = [&result](const QVariantMap& r) { result = r; };
          d.onSure();
          EXPECT_EQ(QImage(result.value(QStringLiteral("iconPath")).toString()).size(), QSize(60, 60));
          return result;
      },
      true, true, "cache" },
};

INSTANTIATE_TEST_SUITE_P(Icons, EditDialogTest, ::testing::ValuesIn(kDialogCases), caseName<DialogCase>);

// The reveal switch is written only by the entries that show its box: OK on another entry
// would otherwise overwrite the user's choice with an unseen box's state.
TEST(EditDialogRevealTest, OnlyAShownBoxWritesTheSwitch)
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QVMenuManager::prefCheck(22), true);
    QVEditInfoWinCtl dialog;
    okOn(dialog, entry(QStringLiteral("New Folder")));
    EXPECT_TRUE(defaults.boolValue(QVMenuManager::prefCheck(22)));
    dialog.editWithItem(entry(QStringLiteral("Copy to")));
    dialog.findChild<QCheckBox*>(QStringLiteral("showInFinderButton"))->setChecked(false);
    dialog.onSure();
    EXPECT_FALSE(defaults.boolValue(QVMenuManager::prefCheck(22)));
}

// A display name of 30 units is taken; 31 is refused with a heads-up message on the dialog,
// which stays open with nothing stored.
TEST(EditDialogNameTest, ThirtyUnitsTakenThirtyOneRefused)
{
    QVEditInfoWinCtl dialog;
    dialog.show();
    int calls = 0;
    dialog.editWithItem(entry(QStringLiteral("Copy to")));
    dialog.editHandler = [&calls](const QVariantMap&) { ++calls; };
    dialog.findChild<QLineEdit*>(QStringLiteral("textField"))->setText(QString(31, QLatin1Char('n')));
    dialog.onSure();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(qv::hudVisible(&dialog));
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>(QStringLiteral("textField"))->setText(QString(30, QLatin1Char('n')));
    dialog.onSure();
    EXPECT_EQ(calls, 1);
}

// The icon's removal cross is a small square beside the icon at every width of the dialog,
// never a bar across it.
TEST(EditDialogLayoutTest, IconRemovalCrossStaysASmallSquare)
{
    QVEditInfoWinCtl dialog;
    dialog.editWithItem(entry(QStringLiteral("Copy to"), customIcon(QStringLiteral("Copy to"))));
    const auto* cross = dialog.findChild<QPushButton*>(QStringLiteral("iconDeleteButton"));
    const auto* icon = dialog.findChild<QPushButton*>(QStringLiteral("iconButton"));
    ASSERT_TRUE(cross->isVisibleTo(&dialog));
    dialog.show();
    for (const int width : { 420, 800, 1200 }) {
        dialog.resize(width, dialog.height());
        QTest::qWait(0);
        dialog.layout()->activate();
        EXPECT_EQ(cross->width(), cross->height()) << width;
        EXPECT_LE(cross->width(), 40) << width;
        EXPECT_GE(cross->width(), cross->fontMetrics().horizontalAdvance(QStringLiteral("×"))) << width;
        EXPECT_LE(icon->width(), 80) << width;
        // Beside the icon, not at the far end of the dialog.
        EXPECT_LE(cross->geometry().left() - icon->geometry().right(), 20) << width;
    }
}

} // namespace
