// Hide chosen in real tarsel-finder processes, as the hidden list was attacked: many at once in
// one folder, and in a folder where another account planted the list as a link.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"
#include "platform/LineFile.h"

#include "testsupport/SecondAccount.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace tarsel::test;

namespace {

std::unique_ptr<QProcess> startHost(const QStringList& args)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(TARSEL_FINDER_PROGRAM), args);
    return process;
}

bool finish(QProcess& process)
{
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit;
}

// The tag of the Hide entry in the menu the host prints for the file, or -1.
int hideTag(const QString& file)
{
    const auto process = startHost({ QStringLiteral("menu"), QStringLiteral("--json"), file });
    if (!finish(*process)) {
        return -1;
    }
    const QString title = platform::Bundle::localizedString(QStringLiteral("Hide Selected Files"));
    const QJsonArray items
        = QJsonDocument::fromJson(process->readAllStandardOutput()).object().value(QStringLiteral("items")).toArray();
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("title")).toString() == title) {
            return item.toObject().value(QStringLiteral("tag")).toInt();
        }
    }
    return -1;
}

class HostHiddenListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Hide Selected Files")) });
        // No review prompt between the picks.
        QVMenuManager::sharedDefaults().setValue(QStringLiteral("is reviewed"), true);
        m_folder = testHome() + QStringLiteral("/shared");
        ASSERT_TRUE(QDir().mkpath(m_folder));
    }
    QString m_folder;
};

} // namespace

// Thirty Hides at once each read the list, added a name and wrote it back unlocked, so the last
// writers overwrote the names of the others: only 14 to 21 of 30 were kept.
TEST_F(HostHiddenListTest, ThirtyHidesAtOnceKeepEveryName)
{
    QStringList names;
    for (int i = 0; i < 30; ++i) {
        names << QStringLiteral("report %1; $(id).txt").arg(i);
        writeFile(m_folder + QLatin1Char('/') + names.last(), "x");
    }
    const int tag = hideTag(m_folder + QLatin1Char('/') + names.first());
    ASSERT_GT(tag, 0);
    std::vector<std::unique_ptr<QProcess>> hosts;
    for (const QString& name : names) {
        hosts.push_back(
            startHost({ QStringLiteral("pick"), QString::number(tag), m_folder + QLatin1Char('/') + name }));
    }
    for (const auto& host : hosts) {
        ASSERT_TRUE(finish(*host));
        EXPECT_EQ(host->exitCode(), 0) << host->readAllStandardError().constData();
    }
    QStringList listed = platform::LineFile::read(m_folder + QStringLiteral("/.hidden"));
    listed.sort();
    names.sort();
    EXPECT_EQ(listed.join(QLatin1Char('\n')).toStdString(), names.join(QLatin1Char('\n')).toStdString());
}

// Hide in a folder others can write followed a .hidden link another account planted there and
// appended our names to the file it named (here our shell's start-up file).
TEST_F(HostHiddenListTest, HideInASharedFolderDoesNotWriteThroughAPlantedLink)
{
    QString why;
    if (!SecondAccount::available(&why)) {
        GTEST_SKIP() << "no second account: " << why.toStdString();
    }
    ASSERT_EQ(::chmod(QFile::encodeName(testHome()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_folder).constData(), 0777), 0);
    const QString victim = writeFile(testHome() + QStringLiteral("/.bashrc"), "export PATH=/usr/bin\n");
    const QByteArray list = QFile::encodeName(m_folder + QStringLiteral("/.hidden"));
    ASSERT_EQ(SecondAccount::run(
                  [&] { return ::symlink(QFile::encodeName(victim).constData(), list.constData()) == 0 ? 0 : 1; }),
              0);
    const QString file = writeFile(m_folder + QStringLiteral("/x; touch pwned"), "x");

    const int tag = hideTag(file);
    ASSERT_GT(tag, 0);
    const auto host = startHost({ QStringLiteral("pick"), QString::number(tag), file });
    ASSERT_TRUE(finish(*host));
    const QByteArray err = host->readAllStandardError();
    EXPECT_TRUE(err.contains("Failed to read the hidden list. File: \"" + list + "\". Error: \"it is a symbolic link"))
        << err.constData();
    EXPECT_EQ(readFile(victim), QByteArray("export PATH=/usr/bin\n"));
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(list.constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}
