// The action table through the engine: commands this system does not offer yet tell the user so
// and count nothing, and where two rows fit one entry the earlier one decides.

#include "engine/service/QVActionTable.h"

#include "MenuServiceTestSupport.h"
#include "OpenWithTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "platform/Alert.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct PickCase
{
    const char* name;
    const char* topKey;
    const char* childKey; ///< null for a pick of the top entry itself
    const char* script; ///< the top entry's script, or null
    bool mainMenuNewFile;
};

std::ostream& operator<<(std::ostream& os, const PickCase& c)
{
    return os << c.name;
}

QVMenuItemPtr topRecord(const PickCase& c)
{
    auto top = QVMenuItem::create();
    top->setKey(QString::fromUtf8(c.topKey));
    if (c.script != nullptr) {
        top->setScript(QString::fromUtf8(c.script));
    }
    top->setIsMainMenuNewFile(c.mainMenuNewFile);
    if (c.childKey != nullptr) {
        auto child = QVMenuItem::create();
        child->setKey(QString::fromUtf8(c.childKey));
        child->setParent(top);
        top->setChildren({ child });
    }
    return top;
}

qint64 totalUses()
{
    return QVMenuManager::sharedDefaults().integerValue(QStringLiteral("use count"));
}

class ActionTableFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        recordLaunches(m_launches, m_failing);
        platform::Alert::setResponder([this](const platform::Alert& alert, QWidget*) {
            m_tips << alert.informativeText();
            return platform::Alert::FirstButtonReturn;
        });
        m_file = writeFile(testHome() + QStringLiteral("/work/a.txt"), "x");
    }
    void TearDown() override
    {
        platform::Workspace::setLauncher({});
        platform::Alert::setResponder({});
        resetFinderSelection();
    }

    QList<Launch> m_launches;
    QStringList m_failing;
    QStringList m_tips;
    QString m_file;
};

class QVActionTableTest : public ActionTableFixture, public testing::WithParamInterface<PickCase>
{
};

using QVActionTableOrderTest = ActionTableFixture;

} // namespace

// Each of these used to log a line nobody reads and do nothing, so a click on it looked broken.
TEST_P(QVActionTableTest, ACommandNotBuiltYetTellsTheUserAndCountsNothing)
{
    const PickCase& c = GetParam();
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
    service.setIsSelectURL(true);
    const QVMenuItemPtr top = topRecord(c);
    service.readyStart(top, c.childKey != nullptr ? QStringList { QStringLiteral("01") } : QStringList());
    EXPECT_EQ(m_tips,
              QStringList({ QStringLiteral("“%1” is not available on this system yet.").arg(top->menuTitle()) }));
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(totalUses(), 0);
    EXPECT_TRUE(QFileInfo::exists(m_file));
}

// In the application build the commands the extension may hand over run in place.
INSTANTIATE_TEST_SUITE_P(NotAvailable, QVActionTableTest,
                         testing::Values(PickCase { "ColorPicker", "Color Picker", nullptr, nullptr, false }),
                         caseName<PickCase>);

TEST_F(QVActionTableOrderTest, TheFirstRowThatFitsDecides)
{
    installApplication(QStringLiteral("org.test.Editor"), QStringLiteral("Editor"),
                       QStringLiteral("/usr/bin/editor %F"));
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
    service.setIsSelectURL(true);
    // An entry with an application opens it, whatever its key: "Delete" with an application
    // never deletes.
    service.readyStart(appRecord(QStringLiteral("Editor"), QStringLiteral("Delete")), {});
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].program, QStringLiteral("/usr/bin/editor"));
    EXPECT_TRUE(QFileInfo::exists(m_file));
    EXPECT_EQ(totalUses(), 1);
    // "Common Path" picked itself adds the folder only when the menu made it the adding entry;
    // otherwise it opens its settings page.
    QVActionRequest request;
    request.top = QVMenuItem::create();
    request.top->setKey(QStringLiteral("Common Path"));
    // The settings page is the last row, the one for any key.
    ASSERT_NE(QVActionTable::rowFor(request), nullptr);
    EXPECT_EQ(QVActionTable::rowFor(request), &QVActionTable::leafRows().back());
    request.top->setIsCommonPathShortcutAdd(true);
    ASSERT_NE(QVActionTable::rowFor(request)->key, nullptr);
    EXPECT_STREQ(QVActionTable::rowFor(request)->key, "Common Path");
    // Only the hand-offs to the application have no run function of their own.
    for (const auto& rows : { QVActionTable::childRows(), QVActionTable::leafRows() }) {
        for (const QVActionRow& row : rows) {
            EXPECT_EQ(row.run == nullptr, row.has(QVActionRow::HandedToApp)) << (row.key ? row.key : "(any key)");
        }
    }
}
