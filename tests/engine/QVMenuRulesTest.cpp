#include "engine/service/menu/QVMenuRules.h"

#include "MenuServiceTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/QVFile.h"
#include "platform/Bundle.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

using namespace tarsel::test;
using Reason = QVMenuRules::Reason;

namespace {

QString tr(const char* key)
{
    return platform::Bundle::localizedString(QLatin1String(key), QStringLiteral(""));
}

// The selections the cases look at, each a real item under the test's home.
enum class Selected { Nothing, Text, EmptyText, Archive, Folder, Background, TextAndArchive, OnDesktop, Documents };

QString pathOf(Selected selected)
{
    switch (selected) {
    case Selected::Nothing:
        return {};
    case Selected::Text:
    case Selected::TextAndArchive:
        return inHome(QStringLiteral("sel/report.txt"));
    case Selected::EmptyText:
        return inHome(QStringLiteral("sel/empty.txt"));
    case Selected::Archive:
        return inHome(QStringLiteral("sel/archive.zip"));
    case Selected::Folder:
    case Selected::Background:
        return inHome(QStringLiteral("sel"));
    case Selected::OnDesktop:
        return inHome(QStringLiteral("Desktop/note.txt"));
    case Selected::Documents:
        return inHome(QStringLiteral("Documents"));
    }
    return {};
}

QVMenuContext contextFor(Selected selected, bool insideExtension, bool switchesOn)
{
    QVMenuContext c;
    c.hasSelection = selected != Selected::Nothing;
    c.isSelectURL = c.hasSelection && selected != Selected::Background;
    c.insideExtension = insideExtension;
    c.selectionCount = selected == Selected::TextAndArchive ? 2 : (c.hasSelection ? 1 : 0);
    c.first = std::make_shared<QVFile>(pathOf(selected));
    c.ext = c.first->ext();
    c.firstIsFolder = c.first->isFolder();
    c.offerAddToCommonPath = switchesOn;
    c.offerAddToFileTemplate = switchesOn;
    return c;
}

QVMenuItemPtr recordOf(const QString& key, const std::function<void(QVMenuItem&)>& traits = {})
{
    auto r = QVMenuItem::create();
    r->setKey(key);
    if (traits) {
        traits(*r);
    }
    return r;
}

struct RuleCase
{
    const char* name;
    const char* key;
    std::function<void(QVMenuItem&)> traits;
    Selected selected;
    bool insideExtension;
    Reason expected;
};

void alwaysShown(QVMenuItem& r)
{
    r.setIsNotNeedURL(true);
}
void needsSelected(QVMenuItem& r)
{
    r.setIsNeedSelectURL(true);
}
void needsFile(QVMenuItem& r)
{
    r.setIsNeedFile(true);
}
void needsFolder(QVMenuItem& r)
{
    r.setIsNeedFolder(true);
}
void needsBoth(QVMenuItem& r)
{
    r.setIsNeedFile(true);
    r.setIsNeedFolder(true);
}
void compressToZip(QVMenuItem& r)
{
    needsBoth(r);
    r.setAppCmd(QStringLiteral("3"));
}
void cutFromElsewhere(QVMenuItem& r)
{
    r.setCutPaths({ inHome(QStringLiteral("elsewhere/cut.txt")) });
}
void cutFromSel(QVMenuItem& r)
{
    r.setCutPaths({ inHome(QStringLiteral("sel/report.txt")) });
}

// One row per reason, beside the rows that show the same record where the reason does not hold.
const RuleCase kRuleCases[] = {
    { "nothing selected hides what needs a URL", "Delete", {}, Selected::Nothing, false, Reason::NeedsSelection },
    { "nothing selected keeps what is always shown", "New Folder", alwaysShown, Selected::Nothing, false,
      Reason::Shown },
    { "hide all files is for the background", "Hide All Files", alwaysShown, Selected::Text, false,
      Reason::HideAllOnSelectedItems },
    { "common path shortcut needs a folder", "Common Path", alwaysShown, Selected::Text, true,
      Reason::NoCommonPathShortcut },
    { "common path shortcut on a folder", "Common Path", alwaysShown, Selected::Folder, true, Reason::Shown },
    { "common path in the application on a file", "Common Path", alwaysShown, Selected::Text, false, Reason::Shown },
    { "convert takes only its formats", "Convert to", [](QVMenuItem& r) { r.setFormats({ QStringLiteral("png") }); },
      Selected::Text, false, Reason::NotConvertible },
    { "file info not on a folder", "File Info", {}, Selected::Folder, false, Reason::FileInfoOnFolder },
    { "file info on a file", "File Info", {}, Selected::Text, false, Reason::Shown },
    { "cut paste on a background without cut paths",
      "Cut Paste",
      {},
      Selected::Background,
      false,
      Reason::NothingToPaste },
    { "cut paste on a background with cut paths", "Cut Paste", cutFromElsewhere, Selected::Background, false,
      Reason::Shown },
    { "color picker not on selected items", "Color Picker", alwaysShown, Selected::Text, false,
      Reason::ColorPickerOnSelectedItems },
    { "formats leave out the extension", "Execute Script",
      [](QVMenuItem& r) { r.setFormats({ QStringLiteral("sh") }); }, Selected::Text, false, Reason::FormatNotAccepted },
    { "desktop shortcut of a desktop item",
      "Send to Desktop Shortcut",
      {},
      Selected::OnDesktop,
      false,
      Reason::AlreadyOnDesktop },
    { "get info not in the extension", "Get Info", {}, Selected::Text, true, Reason::GetInfoInExtension },
    { "get info in the application", "Get Info", {}, Selected::Text, false, Reason::Shown },
    { "package contents of a plain folder", "Show Package Contents", {}, Selected::Folder, false, Reason::NotAPackage },
    { "eject outside the volumes", "Eject", {}, Selected::Folder, false, Reason::NotAVolume },
    { "file and folder command on a background", "Tool", needsBoth, Selected::Background, false,
      Reason::NeedsSelectedFileAndFolder },
    { "file command on a folder", "Tool", needsFile, Selected::Folder, false, Reason::NeedsFile },
    { "folder command on a file", "Tool", needsFolder, Selected::Text, false, Reason::NeedsFolder },
    { "file command without a selection", "Tool",
      [](QVMenuItem& r) {
          alwaysShown(r);
          needsFile(r);
      },
      Selected::Nothing, false, Reason::NoSelectionToFilter },
    { "compress one archive", "Compressed to ", compressToZip, Selected::Archive, false, Reason::ArchiveSelected },
    { "compress an archive among other items", "Compressed to ", compressToZip, Selected::TextAndArchive, false,
      Reason::Shown },
    { "selected items command on a background", "Lock and Unlock", needsSelected, Selected::Background, false,
      Reason::NeedsSelectedItems },
    { "copy contents of an empty file", "Copy File Contents", {}, Selected::EmptyText, false, Reason::NoTextToCopy },
    { "copy contents of a text file", "Copy File Contents", {}, Selected::Text, false, Reason::Shown },
    { "paste into the folder the items came from", "Paste", cutFromSel, Selected::Folder, false,
      Reason::PasteIntoSource },
    { "cut paste on a system folder", "Cut Paste", cutFromElsewhere, Selected::Documents, false, Reason::SystemFolder },
};

class QVMenuRulesTest : public testing::TestWithParam<RuleCase>
{
protected:
    void SetUp() override
    {
        writeFile(inHome(QStringLiteral("sel/report.txt")), "first line\n");
        writeFile(inHome(QStringLiteral("sel/empty.txt")), "");
        writeFile(inHome(QStringLiteral("sel/archive.zip")), "PK");
        writeFile(inHome(QStringLiteral("elsewhere/cut.txt")), "cut\n");
        writeFile(inHome(QStringLiteral("Desktop/note.txt")), "note\n");
        QDir().mkpath(inHome(QStringLiteral("Documents")));
    }
};

} // namespace

TEST_P(QVMenuRulesTest, DecidesTheTopLevelEntry)
{
    const RuleCase& c = GetParam();
    const QVMenuItemPtr r = recordOf(QString::fromUtf8(c.key), c.traits);
    const QVMenuContext context = contextFor(c.selected, c.insideExtension, true);
    EXPECT_EQ(static_cast<int>(QVMenuRules::topLevelReason(*r, context)), static_cast<int>(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Rules, QVMenuRulesTest, testing::ValuesIn(kRuleCases), caseName<RuleCase>);

TEST_F(QVMenuRulesTest, TheAddToCommonPathSwitchDecidesTheShortcut)
{
    const QVMenuItemPtr r = recordOf(QStringLiteral("Common Path"), alwaysShown);
    EXPECT_EQ(QVMenuRules::topLevelReason(*r, contextFor(Selected::Folder, true, false)), Reason::NoCommonPathShortcut);
    EXPECT_EQ(QVMenuRules::look(*r, contextFor(Selected::Folder, true, true)).title, tr("Add to Common Path"));
}

// Deciding and titling used to write the titles and images into the records of the main list
// (and of the sub-lists the filter looked at), so a record carried the last menu's look into
// the next one and into every list that shares it. The menu entries carry them now.
TEST_F(QVMenuRulesTest, BuildingAMenuLeavesTheRecordsAsStored)
{
    resetFinderSelection();
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed(QStringLiteral("Cut Paste")), keyed(QStringLiteral("Lock and Unlock")),
                QVariantMap { { QStringLiteral("key"), QStringLiteral("Preview ") },
                              { QStringLiteral("appName"), QStringLiteral("Borella") },
                              { QStringLiteral("appCmd"), QStringLiteral("2") },
                              { QStringLiteral("needFile"), true } } });
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(inHome(QStringLiteral("sel/report.txt"))) });
    const auto menu = service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    ASSERT_EQ(menu->items().size(), 3);
    EXPECT_EQ(menu->items().at(0)->title(), tr("Cut"));
    EXPECT_EQ(menu->items().at(0)->imageName(), QStringLiteral("cut"));
    EXPECT_EQ(menu->items().at(1)->title(), tr("Lock"));
    EXPECT_EQ(menu->items().at(2)->title(), tr("Preview ") + QStringLiteral("\"report.txt\""));

    for (const QVMenuItemPtr& r : service.rightMenuArray()) {
        EXPECT_TRUE(r->displayName().isEmpty()) << qPrintable(r->key());
        EXPECT_NE(r->icon(), QStringLiteral("cut"));
        EXPECT_NE(r->icon(), QStringLiteral("lock"));
    }
}
