// --help, -h and --version of the two programs a user types: each prints its usage (or its name
// and the build's version) on stdout and exits 0.
// Tarsel used to hand --help on to tarsel-finder, which answered "unknown command" (after
// Tarsel had written the start-up configuration), and tarsel-finder itself took --help for a
// wrong command line and exited 2 with the usage on stderr.

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "testsupport/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct HelpCase
{
    const char* program; // "Tarsel" or "tarsel-finder"
    const char* argument;
    const char* usageStart; // null: the program's name and the build's version
};

const HelpCase kHelpCases[] = {
    { "tarsel-finder", "--help", "usage: tarsel-finder menu " },
    { "tarsel-finder", "-h", "usage: tarsel-finder menu " },
    { "Tarsel", "--help", "usage: Tarsel " },
    { "Tarsel", "-h", "usage: Tarsel " },
    { "tarsel-finder", "--version", nullptr },
    { "Tarsel", "--version", nullptr },
};

QString programPath(const QString& name)
{
    return name == QLatin1String("Tarsel") ? QStringLiteral(TARSEL_APP_PROGRAM) : QStringLiteral(TARSEL_FINDER_PROGRAM);
}

class ProgramUsageTest : public testing::TestWithParam<HelpCase>
{
};

} // namespace

TEST_P(ProgramUsageTest, HelpPrintsTheUsageAndSucceeds)
{
    const HelpCase& c = GetParam();
    const QString program = programPath(QLatin1String(c.program));
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QProcess process;
    process.setWorkingDirectory(testHome());
    process.start(program, { QLatin1String(c.argument) });
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    if (c.usageStart) {
        EXPECT_TRUE(out.startsWith(c.usageStart)) << out.constData();
    } else {
        EXPECT_EQ(out, QByteArray(c.program) + ' ' + TARSEL_PROJECT_VERSION + '\n');
    }
    EXPECT_EQ(process.readAllStandardError(), QByteArray());
    // Asking for help changes nothing: no configuration is written.
    EXPECT_FALSE(QFileInfo::exists(QVMenuManager::sharedDefaults().filePath()));
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramUsageTest, testing::ValuesIn(kHelpCases),
                         [](const testing::TestParamInfo<HelpCase>& info) {
                             const std::string argument = info.param.argument;
                             return std::string(info.param.program[0] == 'T' ? "Tarsel" : "Host")
                                 + (argument == "--version"    ? "Version"
                                        : argument == "--help" ? "LongHelp"
                                                               : "ShortHelp");
                         });
