// A command family works on what its context hands it, not on the engine or the file manager:
// the items, and the progress window it reports to.

#include "engine/service/filecommands/QVFileCommands.h"

#include "MenuServiceTestSupport.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/openwith/QVOpenWithCommands.h"
#include "platform/Pasteboard.h"

#include "testsupport/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

class FakeContext final : public QVCommandContext
{
public:
    QList<QUrl> selectURLs() override { return urls; }
    QStringList selectPaths() override
    {
        QStringList paths;
        for (const QUrl& url : urls) {
            paths << url.toLocalFile();
        }
        return paths;
    }
    bool isSelectURL() const override { return true; }
    const QVProgressHooks& progressHooks() const override { return hooks; }
    qint64 loadingCount() const override { return 0; }
    void setLoadingCount(qint64) override { }
    void checkFolderAccess(const QString&, const std::function<void()>& success, const std::function<void()>&) override
    {
        success();
    }

    QList<QUrl> urls;
    QVProgressHooks hooks;
};

} // namespace

TEST(QVFileCommandsTest, WorksOnTheContextsItemsAndReportsThroughItsHooks)
{
    // The file manager selects something else: the family must not look there.
    resetFinderSelection();
    const QString elsewhere = writeFile(testHome() + QStringLiteral("/elsewhere.txt"), "no");
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(elsewhere) });

    FakeContext context;
    const QString first = writeFile(testHome() + QStringLiteral("/work/first.txt"), "first text");
    const QString second = writeFile(testHome() + QStringLiteral("/work/second.txt"), "second text");
    context.urls = { QUrl::fromLocalFile(first), QUrl::fromLocalFile(second) };
    QStringList successes;
    context.hooks.showSuccess = [&](const QString& message) { successes << message; };
    QVOpenWithCommands openWith(context);
    QVFileCommands files(context, openWith);

    files.copyPathWithOnlyName(true);
    EXPECT_EQ(platform::Pasteboard::general().string(), QStringLiteral("first.txt\nsecond.txt"));
    files.copyFileContents();
    EXPECT_EQ(platform::Pasteboard::general().string(), QStringLiteral("first text"));
    EXPECT_EQ(successes.size(), 1);
    resetFinderSelection();
}
