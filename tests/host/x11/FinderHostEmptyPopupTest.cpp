// A right-click before Tarsel ever ran finds no menu yet. The popup of that empty menu showed
// nothing and was never closed, so the host waited for good; it now says why and ends.

#include "testsupport/TestEnvironment.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

TEST(FinderHostEmptyPopupTest, AnEmptyMenuEndsThePopupWithAReason)
{
    const QString file = writeFile(testHome() + QStringLiteral("/notes.txt"), "hello\n");
    QProcess host;
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), { QStringLiteral("popup"), file });
    const bool ended = host.waitForFinished(20000);
    if (!ended) {
        host.kill();
        host.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the popup of an empty menu never ended";
    EXPECT_EQ(host.exitCode(), 1);
    EXPECT_TRUE(host.readAllStandardError().contains("the menu is empty here"));
}
