#include "platform/Paths.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using platform::Paths;

TEST(PathsTest, FollowsTheEnvironmentOfTheTest)
{
    const QString home = tarsel::test::testHome();
    EXPECT_TRUE(home.contains(QStringLiteral("tarsel-test-")));
    EXPECT_EQ(Paths::home(), home);
    EXPECT_EQ(Paths::dataHome(), home + QStringLiteral("/.local/share"));
    EXPECT_EQ(Paths::groupSuiteFile(QStringLiteral("group.com.valden.tarsel")),
              home
                  + QStringLiteral("/.local/share/tarsel/group.com.valden.tarsel/Library/Preferences/"
                                   "group.com.valden.tarsel.plist"));
    EXPECT_EQ(Paths::standardDefaultsFile(QStringLiteral("com.valden.tarsel")),
              home + QStringLiteral("/.config/tarsel/com.valden.tarsel.plist"));
}

TEST(PathsTest, PrivateSupportFolderIsNeverTheSharedDataFolder)
{
    const QString support = Paths::applicationSupport(QStringLiteral("com.valden.tarsel"));
    EXPECT_NE(support, Paths::dataHome());
    EXPECT_TRUE(support.startsWith(Paths::dataHome() + QStringLiteral("/tarsel/")));
}

TEST(PathsTest, UserFoldersReadXdgUserDirsWithFallback)
{
    EXPECT_EQ(Paths::desktop(), Paths::home() + QStringLiteral("/Desktop"));
    tarsel::test::writeFile(Paths::configHome() + QStringLiteral("/user-dirs.dirs"),
                            "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_MUSIC_DIR=\"$HOME/\"\n");
    EXPECT_EQ(Paths::desktop(), Paths::home() + QStringLiteral("/Schreibtisch"));
    // A user folder set to home itself means "not set".
    EXPECT_EQ(Paths::music(), Paths::home() + QStringLiteral("/Music"));
}

TEST(PathsTest, RelativeXdgValuesAreIgnored)
{
    qputenv("XDG_DATA_HOME", "relative/path");
    EXPECT_EQ(Paths::dataHome(), Paths::home() + QStringLiteral("/.local/share"));
}
