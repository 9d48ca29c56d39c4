// The information pages of the Preferences tab, driven through their real buttons: the help page
// (its buttons, its picture, its texts for this desktop), the More Apps cards and the review
// button.

#include "app/settings/QVAppViewCtl.h"
#include "app/settings/QVMoreAppViewCtl.h"
#include "app/settings/QVPrefViewCtl.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVTools.h"
#include "foundation/QVURLCache.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct Launch
{
    QString program;
    QStringList args;
};

class PrefInfoPagesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return true;
        });
        QVURLCache::sharedInstance().setSuiteName(QString(""));
        QVURLCache::sharedInstance().clearAllCached();
        m_pref.resize(900, 600);
        m_pref.show();
    }
    void TearDown() override { platform::Workspace::setLauncher({}); }
    QWidget* page(const char* identifier) const { return m_pref.findChild<QWidget*>(QString::fromLatin1(identifier)); }
    template <typename T> T* child(const char* page, const char* name) const
    {
        return this->page(page)->findChild<T*>(QString::fromLatin1(name));
    }
    QStringList opened() const
    {
        QStringList addresses;
        for (const Launch& launch : m_launches) {
            addresses << launch.args;
        }
        return addresses;
    }

    QVPrefViewCtl m_pref;
    QList<Launch> m_launches;
};

} // namespace

// "Preferences" on the help page did nothing; it shows the configuration (cloud folder) page.
TEST_F(PrefInfoPagesTest, HelpPreferencesShowsTheConfigurationPage)
{
    m_pref.setPageType(4);
    ASSERT_EQ(m_pref.currentIdentifier(), QStringLiteral("help"));
    QTest::mouseClick(child<QPushButton>("help", "okButton"), Qt::LeftButton);
    EXPECT_EQ(m_pref.currentIdentifier(), QStringLiteral("icloud"));
    for (const QVListItem& item : m_pref.listView()->items()) {
        EXPECT_EQ(item.itemView->selected(), item.identifier == QStringLiteral("icloud"));
    }
}

// "Full Disk Access" did nothing; here it is the folder-access grant: the panel a command shows
// for a path in the home folder, and the folder chosen is granted at once.
TEST_F(PrefInfoPagesTest, HelpFullDiskAccessGrantsTheChosenFolder)
{
    m_pref.setPageType(4);
    const QString home = QDir::cleanPath(platform::Paths::home());
    PanelScript panels;
    panels.setNextPaths({ home });
    QTest::mouseClick(child<QPushButton>("help", "fullDiskAccessButton"), Qt::LeftButton);
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_EQ(panels.shown().first().options.message, qv::localized(QStringLiteral("Authorization Tip")));
    EXPECT_EQ(panels.shown().first().options.directory, home);
    EXPECT_FALSE(panels.shown().first().options.canChooseFiles);
    EXPECT_EQ(QVURLCache::sharedInstance().cachedPaths(), QStringList { home });
    EXPECT_TRUE(QVURLCache::sharedInstance().urlWithAllowAccessToPath(home + "/Documents/a.txt").isValid());

    // Cancelled, nothing more is granted.
    QVURLCache::sharedInstance().clearAllCached();
    panels.setNextCancel();
    QTest::mouseClick(child<QPushButton>("help", "fullDiskAccessButton"), Qt::LeftButton);
    EXPECT_TRUE(QVURLCache::sharedInstance().cachedPaths().isEmpty());
}

// The help page showed an empty image area above macOS texts; it shows a picture, and its texts
// speak of this desktop's secondary click and folder access.
TEST_F(PrefInfoPagesTest, HelpShowsAPictureAndTextsOfThisDesktop)
{
    m_pref.setPageType(4);
    const auto* image = child<QLabel>("help", "imageView");
    EXPECT_TRUE(image->isVisible());
    EXPECT_FALSE(image->pixmap().isNull());
    const QString tip = child<QLabel>("help", "tipLabel")->text();
    for (const char* word : { "secondary click", "Folder access", "Full Disk Access" }) {
        EXPECT_TRUE(tip.contains(QString::fromUtf8(word))) << word;
    }
    for (const char* word : { "MacOS", "Apple", "System Preferences", "iCloud" }) {
        EXPECT_FALSE(tip.contains(QString::fromUtf8(word))) << word;
    }
}

// The More Apps page showed one label; it shows a card per application, each with its icon,
// name, description and a blue "Free Download" that opens the software centre's page.
TEST_F(PrefInfoPagesTest, MoreAppsCardsOpenTheSoftwareCentre)
{
    m_pref.setPageType(3);
    auto* more = static_cast<QVMoreAppViewCtl*>(page("moreapp"));
    ASSERT_EQ(more->appViewCtlArray().size(), 2);
    QStringList expected;
    for (QVAppViewCtl* card : more->appViewCtlArray()) {
        EXPECT_TRUE(card->isVisible());
        EXPECT_FALSE(card->findChild<QLabel*>(QStringLiteral("iconImageView"))->pixmap().isNull());
        EXPECT_EQ(card->findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), qv::localized(card->app().appName));
        EXPECT_NE(card->findChild<QLabel*>(QStringLiteral("descLabel"))->text(), card->app().desc);
        auto* download = card->findChild<QPushButton*>(QStringLiteral("downloadBtn"));
        EXPECT_TRUE(download->isVisible());
        EXPECT_EQ(download->text(), qv::localized(QStringLiteral("Free Download")));
        EXPECT_GT(download->width(), download->fontMetrics().horizontalAdvance(download->text()));
        QTest::mouseClick(download, Qt::LeftButton);
        expected << QStringLiteral("appstream://") + card->app().appId;
    }
    EXPECT_EQ(opened(), expected);
}

// The review button showed nothing and did nothing; it shows "zan", opens Tarsel's own page in
// the software centre, and then shows "zaned".
TEST_F(PrefInfoPagesTest, ReviewButtonOpensTarselsPageInTheSoftwareCentre)
{
    auto* review = m_pref.findChild<QPushButton*>(QStringLiteral("reviewBtn"));
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(review->isVisible());
    EXPECT_FALSE(review->icon().isNull());
    EXPECT_FALSE(review->text().isEmpty());
    const qint64 before = review->icon().cacheKey();
    QTest::mouseClick(review, Qt::LeftButton);
    EXPECT_EQ(opened(), QStringList { QStringLiteral("appstream://com.valden.tarsel") });
    EXPECT_TRUE(QVTools::isReview());
    EXPECT_TRUE(QVMenuManager::sharedDefaults().boolValue(QStringLiteral("is reviewed")));
    EXPECT_NE(review->icon().cacheKey(), before);
}
