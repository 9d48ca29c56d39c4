#include "foundation/QVTools.h"

#include "platform/Defaults.h"
#include "platform/Workspace.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QApplication>
#include <QPalette>
#include <QStringList>

#include <gtest/gtest.h>

#include <thread>

namespace {

void setSystemVersion(const char* version)
{
    qputenv("TARSEL_SYSTEM_VERSION", version);
}

class DarkPalette
{
public:
    explicit DarkPalette(bool dark)
        : m_saved(QApplication::palette())
    {
        QPalette p = m_saved;
        p.setColor(QPalette::Window, dark ? QColor(30, 30, 30) : QColor(240, 240, 240));
        p.setColor(QPalette::WindowText, dark ? QColor(230, 230, 230) : QColor(10, 10, 10));
        QApplication::setPalette(p);
    }
    ~DarkPalette() { QApplication::setPalette(m_saved); }
    Q_DISABLE_COPY_MOVE(DarkPalette)

private:
    QPalette m_saved;
};

struct VersionCase
{
    const char* version;
    bool sonomaPlus;
    bool macOS15Plus;
};

using QVToolsVersionTest = testing::TestWithParam<VersionCase>;

} // namespace

// Answers the child's isCN as its exit code (10 yes, 20 no).
TARSEL_TEST_CHILD(qvToolsIsCN)
{
    return QVTools::isCN() ? 10 : 20;
}

TEST_P(QVToolsVersionTest, MajorVersionGates)
{
    setSystemVersion(GetParam().version);
    EXPECT_EQ(QVTools::isSonomaPlus(), GetParam().sonomaPlus);
    EXPECT_EQ(QVTools::isMacOS15Plus(), GetParam().macOS15Plus);
}

INSTANTIATE_TEST_SUITE_P(Versions, QVToolsVersionTest,
                         testing::Values(VersionCase { "13.6", false, false }, VersionCase { "14.0", true, false },
                                         VersionCase { "14.7.1", true, false }, VersionCase { "15.0", true, true },
                                         VersionCase { "16", true, true }, VersionCase { "26.1", true, true }),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             return "System" + tarsel::test::testName(info.param.version);
                         });

TEST(QVToolsTest, DefaultSystemIsFifteen)
{
    EXPECT_TRUE(QVTools::isMacOS15Plus());
}

TEST(QVToolsTest, DarkModeFollowsThePaletteFromTenFourteenOn)
{
    {
        DarkPalette dark(true);
        setSystemVersion("15.0");
        EXPECT_TRUE(QVTools::isDarkMode());
        setSystemVersion("10.14");
        EXPECT_TRUE(QVTools::isDarkMode());
        // Systems before 10.14 had no dark mode.
        setSystemVersion("10.13.6");
        EXPECT_FALSE(QVTools::isDarkMode());
        setSystemVersion("9.0");
        EXPECT_FALSE(QVTools::isDarkMode());
    }
    DarkPalette light(false);
    setSystemVersion("15.0");
    EXPECT_FALSE(QVTools::isDarkMode());
}

TEST(QVToolsTest, ITermIsFoundByItsIdFromTwelveOn)
{
    EXPECT_FALSE(QVTools::isInstallIterm2());
    tarsel::test::installApplication(QStringLiteral("com.googlecode.iterm2"), QStringLiteral("iTerm"));
    EXPECT_TRUE(QVTools::isInstallIterm2());
    setSystemVersion("12.0");
    EXPECT_TRUE(QVTools::isInstallIterm2());
    setSystemVersion("11.7");
    EXPECT_FALSE(QVTools::isInstallIterm2());
}

TEST(QVToolsTest, ITermIsFoundByItsName)
{
    tarsel::test::installApplication(QStringLiteral("org.example.terminal"), QStringLiteral("iTerm2"));
    EXPECT_TRUE(QVTools::isInstallIterm2());
}

TEST(QVToolsTest, ServiceRunsOnTheMainThreadOnly)
{
    tarsel::test::installApplication(QStringLiteral("org.example.service"), QStringLiteral("Make Thumbnails"));
    QList<QStringList> launched;
    platform::Workspace::setLauncher([&launched](const QString& program, const QStringList& args) {
        launched.append(QStringList { program } + args);
        return true;
    });
    const QString a = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/one file.png"), "x");
    const QString b = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/two.png"), "y");
    const QList<QUrl> files { QUrl::fromLocalFile(a), QUrl::fromLocalFile(b) };

    bool offMain = true;
    std::thread([&] { offMain = QVTools::runService(QStringLiteral("Make Thumbnails"), files); }).join();
    EXPECT_FALSE(offMain);
    EXPECT_TRUE(launched.isEmpty());

    EXPECT_FALSE(QVTools::runService(QStringLiteral("No Such Service"), files));
    EXPECT_TRUE(launched.isEmpty());

    EXPECT_TRUE(QVTools::runService(QStringLiteral("Make Thumbnails"), files));
    ASSERT_EQ(launched.size(), 1);
    EXPECT_TRUE(launched.first().contains(a)) << launched.first().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(launched.first().contains(b));
    platform::Workspace::setLauncher({});
}

TEST(QVToolsTest, ReviewFlagIsSetOnceRequested)
{
    EXPECT_FALSE(QVTools::isReview());
    QVTools::requestReview();
    EXPECT_TRUE(QVTools::isReview());
    EXPECT_TRUE(platform::Defaults::standard().boolValue(QStringLiteral("review flag")));

    platform::Defaults::standard().setValue(QStringLiteral("review flag"), false);
    EXPECT_FALSE(QVTools::isReview());
    QVTools::goReview();
    EXPECT_TRUE(QVTools::isReview());
}

TEST(QVToolsTest, ChineseMeansSimplifiedChineseInChina)
{
    // The system locale is read once per process, so each language runs in a child.
    const auto isCNWith = [](const QByteArray& languages) {
        tarsel::test::ScopedEnvironment env;
        env.set("LANGUAGE", languages).set("LC_ALL", languages.split(':').first() + ".UTF-8");
        return tarsel::test::runChild(QStringLiteral("qvToolsIsCN")).exitCode;
    };
    EXPECT_EQ(isCNWith("zh_CN"), 10);
    EXPECT_EQ(isCNWith("zh_TW"), 20);
    EXPECT_EQ(isCNWith("en_US"), 20);
    // Only the first preferred language counts.
    EXPECT_EQ(isCNWith("en_US:zh_CN"), 20);
}
