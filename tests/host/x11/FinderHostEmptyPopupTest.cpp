// A right-click before Tarsel ever ran finds no menu yet. The popup of that empty menu showed
// nothing and was never closed, so the host waited for good; it now says why and ends.

#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

TEST(FinderHostEmptyPopupTest, AnEmptyMenuEndsThePopupWithAReason)
{
    const QString file = writeFile(testHome() + QStringLiteral("/notes.txt"), "hello\n");
    const ProgramRun host
        = runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM), { QStringLiteral("popup"), file }, { .timeoutMs = 20000 });
    ASSERT_TRUE(host.finished) << "the popup of an empty menu never ended";
    EXPECT_EQ(host.exitCode, 1);
    EXPECT_TRUE(host.err.contains("the menu is empty here"));
}
