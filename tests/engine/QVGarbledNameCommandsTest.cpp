// "Fixing Garbled Names" as the user picks it: the window opens on the whole selection, and
// the engine's tool windows close once it reports the renames done.

#include "CommandTestSupport.h"
#include "foundation/FileToolWindows.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

using QVGarbledNameCommandsTest = CommandTest;

TEST_F(QVGarbledNameCommandsTest, OpensTheWindowOnTheSelectionAndCleansUpWhenItIsDone)
{
    QList<QUrl> opened;
    std::function<void()> sure;
    qv::setFixNameWindowOpener([&](const QList<QUrl>& urls, std::function<void()> block) {
        opened = urls;
        sure = std::move(block);
    });
    int cleaned = 0;
    QVProgressHooks hooks;
    hooks.clean = [&] { ++cleaned; };
    m_service.setProgressHooks(hooks);
    const QStringList files = { file(QStringLiteral("%E4%B8%AD.txt")), folder(QStringLiteral("dir")) };
    select(files);
    m_service.readyStart(item(QStringLiteral("Fixing Garbled Names")), {});
    qv::setFixNameWindowOpener({});

    EXPECT_EQ(opened, QList<QUrl>({ QUrl::fromLocalFile(files.at(0)), QUrl::fromLocalFile(files.at(1)) }));
    ASSERT_TRUE(sure);
    EXPECT_EQ(cleaned, 0);
    sure();
    EXPECT_EQ(cleaned, 1);
}
