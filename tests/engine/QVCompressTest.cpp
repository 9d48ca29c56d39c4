#include "engine/service/compress/QVCompress.h"

#include "CommandTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/zip/SSZipArchive.h"
#include "foundation/BundleExpand.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace tarsel::test;

namespace {

/// The reports a run sent, in order, as they reached the main thread.
struct Reports
{
    QList<double> values;
    QStringList texts;
    QVCompress::ProgressHandler handler()
    {
        return [this](const QString& text, double progress) {
            values << progress;
            texts << text;
        };
    }
    bool ended() const { return !values.isEmpty() && values.last() != QVCompress::Progress::Started; }
};

QStringList entriesOf(const QString& archive, const QString& password)
{
    const QString into = inHome("check-" + QString::number(qHash(archive)));
    QDir(into).removeRecursively();
    if (!SSZipArchive::unzipFileAtPath(archive, into, true, password, nullptr)) {
        return { QStringLiteral("<unreadable>") };
    }
    QStringList names;
    QDirIterator it(into, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        names << QDir(into).relativeFilePath(it.next());
    }
    names.sort();
    return names;
}

struct CompressCase
{
    const char* name;
    const char* password;
    bool skipJunk;
    bool replaceExisting;
    bool encrypted;
    QStringList entries;
};

class CompressRuns : public testing::TestWithParam<CompressCase>
{
};

// The real zip tool on names a shell would split or run ("$(...)", quotes, blanks) and one that
// zip would take for an option ("-T" tests the archive, "-m" deletes the originals): each must
// arrive as one word and be archived under its own name. "Replace" of an existing archive must
// leave none of its old entries: zip run on that path would have added to it.
TEST_P(CompressRuns, ArchivesTheItemsAsNamed)
{
    const CompressCase& c = GetParam();
    const QString work = inHome("work");
    writeFile(work + "/docs/a.txt", "a");
    writeFile(work + "/docs/.DS_Store", "junk");
    writeFile(work + "/docs/__MACOSX/x", "junk");
    writeFile(work + "/-m", "dash");
    writeFile(work + "/$(touch pwned) it's.txt", "odd");
    const QString archive = inHome("out/result.zip");
    QDir().mkpath(inHome("out"));
    if (c.replaceExisting) {
        ASSERT_TRUE(SSZipArchive::createZipFileAtPath(archive, { writeFile(inHome("old.txt"), "old") }, "other"));
    }
    QVCompress compress;
    compress.setSavePath(archive);
    Reports reports;
    compress.startCompressWithPaths({ work + "/docs", work + "/-m", work + "/$(touch pwned) it's.txt" },
                                    c.skipJunk ? QStringList { ".DS_Store", "__MACOSX" } : QStringList(),
                                    QString::fromUtf8(c.password), reports.handler());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.ended(); }, 30000));
    EXPECT_EQ(reports.values.first(), QVCompress::Progress::Started);
    EXPECT_EQ(reports.values.last(), QVCompress::Progress::Finished);
    // The tool's last line of a piece of output, trailer included ("(stored 0%)").
    EXPECT_TRUE(reports.texts.join("|").contains("%)"));
    EXPECT_EQ(SSZipArchive::isFilePasswordProtectedAtPath(archive), c.encrypted);
    EXPECT_EQ(entriesOf(archive, QString::fromUtf8(c.password)).join(" | ").toStdString(),
              c.entries.join(" | ").toStdString());
    EXPECT_TRUE(QFileInfo::exists(work + "/-m"));
    EXPECT_FALSE(QFileInfo::exists(work + "/pwned"));
    EXPECT_EQ(QDir(inHome("out")).entryList(QDir::Files | QDir::Hidden), QStringList { "result.zip" });
}

const QStringList kAll { "$(touch pwned) it's.txt", "-m", "docs/.DS_Store", "docs/__MACOSX/x", "docs/a.txt" };
const QStringList kNoJunk { "$(touch pwned) it's.txt", "-m", "docs/a.txt" };

INSTANTIATE_TEST_SUITE_P(Tool, CompressRuns,
                         testing::Values(CompressCase { "WithPassword", "p w'd $x", false, false, true, kAll },
                                         CompressCase { "SkipsJunk", "pw", true, false, true, kNoJunk },
                                         CompressCase { "BlankPasswordMeansPlain", "  ", false, false, false, kAll },
                                         CompressCase { "ReplaceHoldsOnlyNewEntries", "pw", true, true, true,
                                                        kNoJunk }),
                         caseName<CompressCase>);

bool isGone(pid_t pid)
{
    if (::kill(pid, 0) != 0) {
        return true;
    }
    // An orphan that has died but is not yet reaped is a zombie: gone as far as work goes.
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.mid(close + 2, 1) == "Z";
}

// Cancel while the tool runs. The stand-in tool starts a helper of its own and writes part of
// its output, as zip does with its temporary file. Signalling only the tool's own process would
// leave the helper running; not waiting would race the deletion against the tool's last
// writes; reading the exit status alone would tell the user "Compression Failed".
TEST(QVCompressTest, CancelStopsTheWholeToolAndDeletesItsOutput)
{
    const QString tool = writeFile(inHome("bin/zip"),
                                   "#!/bin/sh\n"
                                   "for a; do case \"$a\" in *.zip) out=\"$a\"; break;; esac; done\n"
                                   "echo partial > \"$out\"\n"
                                   "sleep 600 &\n"
                                   "echo $! > \"$HOME/helper.pid\"\n"
                                   "echo '  adding: first (stored 0%)'\n"
                                   "wait\n");
    QFile::setPermissions(tool, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVCompress::setZipProgram(tool);
    const QString item = writeFile(inHome("work/a.txt"), "a");
    QVCompress compress;
    compress.setSavePath(inHome("work/out.zip"));
    Reports reports;
    std::thread run([&] { compress.startCompressWithPaths({ item }, {}, "pw", reports.handler()); });
    const bool started = QTest::qWaitFor([&] { return reports.texts.join("").contains("first"); }, 30000);
    compress.stopCompress();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.ended(); }, 30000));
    run.join();
    QVCompress::setZipProgram(QString());
    ASSERT_TRUE(started);
    EXPECT_EQ(reports.values.last(), QVCompress::Progress::Cancelled);
    const pid_t helper = pid_t(readFile(inHome("helper.pid")).trimmed().toInt());
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGone(helper); }, 10000));
    EXPECT_EQ(QDir(inHome("work")).entryList(QDir::Files | QDir::Hidden), QStringList { "a.txt" });
}

class FakeAccessory final : public QVCompressAccessory
{
public:
    QWidget* view() override { return &m_view; }
    QString password() const override { return QStringLiteral("from panel"); }
    bool skipJunkFiles() const override { return m_skip; }
    void setSkipJunkFiles(bool skip) override { m_skip = skip; }

private:
    QWidget m_view;
    bool m_skip = false;
};

class EncryptedCompressionTest : public CommandTest
{
};

// The command as the menu runs it: the save panel proposes the item's name in its folder, the
// accessory's password protects the archive, the progress window opens, and its Cancel button
// is handed the run; a second command while one runs opens no second panel.
TEST_F(EncryptedCompressionTest, CompressesTheSelectionWithThePanelsPassword)
{
    QVCompress::setAccessoryFactory([] { return std::make_unique<FakeAccessory>(); });
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCompressSkipJunk, true);
    select({ file("report.txt", "numbers") });
    PanelScript panels;
    panels.setNextPaths({ m_dir + "/report.zip" });
    int opened = 0;
    int cleaned = 0;
    bool cancellable = false;
    QVMenuService::ProgressHooks hooks;
    hooks.open = [&] { ++opened; };
    hooks.clean = [&] { ++cleaned; };
    hooks.setCancelHandler = [&](std::function<void()> cancel) { cancellable = bool(cancel); };
    m_service.setProgressHooks(hooks);
    m_service.readyStart(item("Encrypted Compression"), {});
    m_service.readyStart(item("Encrypted Compression"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == 1; }, 30000));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_EQ(panels.shown().first().options.nameFieldValue, "report");
    EXPECT_EQ(panels.shown().first().options.directory, m_dir);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(cancellable);
    EXPECT_TRUE(SSZipArchive::isPasswordValidForArchiveAtPath(m_dir + "/report.zip", "from panel", nullptr));
    // The quick password test only reads the start of the first entry, which a wrong PKWARE
    // password gets past now and then; extracting reads everything and checks the CRC.
    EXPECT_EQ(entriesOf(m_dir + "/report.zip", "other"), QStringList { "<unreadable>" });
    EXPECT_EQ(entriesOf(m_dir + "/report.zip", "from panel"), QStringList { "report.txt" });
    QVCompress::setAccessoryFactory({});
}

// A tool that fails tells the user so, once, and leaves no archive behind.
TEST_F(EncryptedCompressionTest, AFailedToolShowsCompressionFailed)
{
    QVCompress::setZipProgram(QStringLiteral("/bin/false"));
    select({ file("a.txt") });
    PanelScript panels;
    panels.setNextPaths({ m_dir + "/a.zip" });
    AlertScript alerts;
    int cleaned = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.clean = [&] { ++cleaned; };
    m_service.setProgressHooks(hooks);
    m_service.readyStart(item("Encrypted Compression"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == 1; }, 30000));
    QVCompress::setZipProgram(QString());
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, qv::localized("Compression Failed"));
    EXPECT_EQ(QDir(m_dir).entryList(QDir::Files | QDir::Hidden), QStringList { "a.txt" });
}

} // namespace
