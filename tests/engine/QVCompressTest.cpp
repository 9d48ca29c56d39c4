#include "engine/archive/QVCompress.h"

#include "CommandTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVPendingWork.h"
#include "engine/archive/SSZipArchive.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "tests/engine/ZipTools.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

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

/// The folder's tree as sorted lines: "name/" for a folder, "name=content" for a file (a long
/// content by its SHA-256).
QStringList treeOf(const QString& folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        if (QFileInfo(path).isDir()) {
            lines << name + QLatin1Char('/');
            continue;
        }
        const QByteArray content = readFile(path);
        lines << name + QLatin1Char('=')
                + (content.size() > 32 ? QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()
                                       : QString::fromUtf8(content));
    }
    lines.sort();
    return lines;
}

/// Extracts the archive with 7-Zip under the password; the extracted tree, or null when 7-Zip
/// refused (a wrong password).
std::optional<QStringList> extractWithSevenZip(const QString& archive, const QString& password)
{
    static int run = 0;
    const QString into = inHome(QStringLiteral("7z-%1").arg(++run));
    if (runProgram(sevenZip(), { "x", "-y", "-p" + password, "-o" + into, archive }).exitCode != 0) {
        return std::nullopt;
    }
    return treeOf(into);
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 1024; ++i) {
        bytes.append(char(i % 256));
    }
    return bytes;
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

using CompressRuns = testing::TestWithParam<CompressCase>;

// Names a shell would split or run ("$(...)", quotes, blanks), one a tool would take for an
// option ("-m"), non-ASCII names and passwords, hidden files, an empty folder, bytes of every
// value, links to a file and to a folder (followed, as zip followed them), a link back into its
// own folder (left out, not walked for ever) and one that leads nowhere (left out). 7-Zip must
// read back exactly these names, folders and bytes with the password, and nothing with a wrong
// one. "Replace" of an existing archive must leave none of its old entries.
TEST_P(CompressRuns, ArchivesTheItemsAsNamed)
{
    const CompressCase& c = GetParam();
    ASSERT_FALSE(sevenZip().isEmpty()) << "7-Zip is needed to read the archives back";
    const QString work = inHome("work");
    writeFile(work + "/docs/a.txt", "a");
    writeFile(work + "/docs/.hidden", "h");
    writeFile(work + "/docs/.DS_Store", "junk");
    writeFile(work + "/docs/__MACOSX/x", "junk");
    writeFile(work + "/docs/\u00dcn\u00efc\u00f6d\u00e9 \u65e5\u672c.txt", "\u00fc");
    writeFile(work + "/docs/bytes.bin", allBytes());
    writeFile(work + "/shared/s.txt", "s");
    QDir().mkpath(work + "/docs/empty");
    QFile::link("a.txt", work + "/docs/link.txt");
    QFile::link("../shared", work + "/docs/linked-folder");
    QFile::link(".", work + "/docs/loop");
    QFile::link("nowhere", work + "/docs/dangling");
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
    // Each file is named in a progress line as it is added.
    EXPECT_TRUE(reports.texts.contains("docs/bytes.bin")) << reports.texts.join("|").toStdString();
    EXPECT_EQ(SSZipArchive::isFilePasswordProtectedAtPath(archive), c.encrypted);
    EXPECT_EQ(extractWithSevenZip(archive, QString::fromUtf8(c.password)).value_or(QStringList { "<refused>" }),
              c.entries);
    if (c.encrypted) {
        EXPECT_FALSE(extractWithSevenZip(archive, QString::fromUtf8(c.password) + "x").has_value());
    }
    EXPECT_TRUE(QFileInfo::exists(work + "/-m"));
    EXPECT_FALSE(QFileInfo::exists(work + "/pwned"));
    EXPECT_EQ(QDir(inHome("out")).entryList(QDir::Files | QDir::Hidden), QStringList { "result.zip" });
}

QStringList treeLines(QStringList lines)
{
    lines.sort();
    return lines;
}

const QStringList kNoJunk { "$(touch pwned) it's.txt=odd",
                            "-m=dash",
                            "docs/",
                            "docs/.hidden=h",
                            "docs/a.txt=a",
                            "docs/bytes.bin="
                                + QCryptographicHash::hash(allBytes(), QCryptographicHash::Sha256).toHex(),
                            "docs/empty/",
                            "docs/link.txt=a",
                            "docs/linked-folder/",
                            "docs/linked-folder/s.txt=s",
                            "docs/\u00dcn\u00efc\u00f6d\u00e9 \u65e5\u672c.txt=\u00fc" };
const QStringList kAll
    = treeLines(kNoJunk + QStringList { "docs/.DS_Store=junk", "docs/__MACOSX/", "docs/__MACOSX/x=junk" });

INSTANTIATE_TEST_SUITE_P(
    InProcess, CompressRuns,
    testing::Values(CompressCase { "WithPassword", "p w'd $x -P", false, false, true, kAll },
                    CompressCase { "NonAsciiPassword", "p\u00e4ssw\u00f6rd \u65e5\u672c", false, false, true, kAll },
                    CompressCase { "SkipsJunk", "pw", true, false, true, treeLines(kNoJunk) },
                    CompressCase { "BlankPasswordMeansPlain", "  ", false, false, false, kAll },
                    CompressCase { "ReplaceHoldsOnlyNewEntries", "pw", true, true, true, treeLines(kNoJunk) }),
    caseName<CompressCase>);

class FakeAccessory final : public QVCompressAccessory
{
public:
    explicit FakeAccessory(const QString& password = QStringLiteral("from panel"))
        : m_password(password)
    {
    }
    QWidget* view() override { return &m_view; }
    QString password() const override { return m_password; }
    bool skipJunkFiles() const override { return m_skip; }
    void setSkipJunkFiles(bool skip) override { m_skip = skip; }

private:
    QWidget m_view;
    QString m_password;
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
    QVMenuManager::sharedDefaults().setValue(QVCompress::kCompressSkipJunk, true);
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
    EXPECT_EQ(panels.shown().first().options.nameFieldValue, "report.zip");
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

// A run that cannot archive anything (the selected file is gone by the time it runs) tells the
// user so, once, and leaves no archive behind.
TEST_F(EncryptedCompressionTest, AFailedRunShowsCompressionFailed)
{
    const QString gone = file("a.txt");
    select({ gone });
    QFile::remove(gone);
    PanelScript panels;
    panels.setNextPaths({ m_dir + "/a.zip" });
    AlertScript alerts;
    int cleaned = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.clean = [&] { ++cleaned; };
    m_service.setProgressHooks(hooks);
    m_service.readyStart(item("Encrypted Compression"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == 1; }, 30000));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, qv::localized("Compression Failed"));
    EXPECT_EQ(QDir(m_dir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

struct PlaceCase
{
    const char* name;
    const char* answer; ///< the place the save panel answers, relative to the work folder
    bool written;
};

class ArchivePlace : public CommandTest, public testing::WithParamInterface<PlaceCase>
{
};

// The panel proposed "src" for the folder "src": the panel then selected that folder, Enter
// opened it and the archive was written into the folder it archived. The name comes with its
// extension now, and a place inside a selected folder (also through a link) is refused with a
// message.
TEST_P(ArchivePlace, NeverInsideWhatItArchives)
{
    const PlaceCase& c = GetParam();
    QVCompress::setAccessoryFactory([] { return std::make_unique<FakeAccessory>(); });
    const QString src = folder("src");
    file("src/a.txt", "alpha");
    folder("src/sub");
    ASSERT_TRUE(QFile::link(src, m_dir + "/link"));
    select({ src });
    PanelScript panels;
    panels.setNextPaths({ m_dir + "/" + c.answer });
    AlertScript alerts;
    int cleaned = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.clean = [&] { ++cleaned; };
    m_service.setProgressHooks(hooks);
    m_service.readyStart(item("Encrypted Compression"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == 1; }, 30000));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_EQ(panels.shown().first().options.nameFieldValue, "src.zip");
    QStringList archives;
    QDirIterator it(m_dir, { "*.zip" }, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        archives << QDir(m_dir).relativeFilePath(it.next());
    }
    if (c.written) {
        EXPECT_TRUE(alerts.shown().isEmpty());
        EXPECT_EQ(archives, QStringList { c.answer });
        EXPECT_EQ(entriesOf(m_dir + "/" + c.answer, "from panel"), QStringList { "src/a.txt" });
    } else {
        ASSERT_EQ(alerts.shown().size(), 1);
        EXPECT_EQ(alerts.shown().first().informativeText,
                  qv::stringWithFormat(qv::localized("Archive Inside Selection Tip"), "src"));
        EXPECT_EQ(archives, QStringList());
    }
    QVCompress::setAccessoryFactory({});
}

INSTANTIATE_TEST_SUITE_P(Compression, ArchivePlace,
                         testing::Values(PlaceCase { "InsideTheSelectedFolder", "src/src.zip", false },
                                         PlaceCase { "InAFolderBelowIt", "src/sub/a.zip", false },
                                         PlaceCase { "ThroughALinkToIt", "link/src.zip", false },
                                         PlaceCase { "BesideIt", "src.zip", true }),
                         caseName<PlaceCase>);

/// A throwaway local account, removed again at the end.
class OtherAccount
{
public:
    OtherAccount()
        : m_name(QStringLiteral("tarselpoll%1").arg(::getpid()))
    {
        m_made
            = QProcess::execute("useradd", { "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", m_name })
            == 0;
    }
    ~OtherAccount()
    {
        if (m_made) {
            QProcess::execute("userdel", { m_name });
        }
    }
    Q_DISABLE_COPY_MOVE(OtherAccount)
    bool made() const { return m_made; }
    QString name() const { return m_name; }

private:
    QString m_name;
    bool m_made = false;
};

struct PrivacyCase
{
    const char* name;
    bool cancel; ///< the progress window's Cancel is pressed as the first file is being added
};

class PasswordPrivacy : public CommandTest, public testing::WithParamInterface<PrivacyCase>
{
};

// While a large selection is compressed under a password, another local account reads every
// process's command line and environment over and over, as `ps` would: it must never find the
// password (zip took it as "-P password", in plain sight). The poller searches a pattern that
// matches the password without holding it, so its own command line is no false alarm. A cancel
// leaves no archive, not even a partial one; a completed run leaves one that opens with the
// password. The command counts as pending work until its run is cleaned up.
TEST_P(PasswordPrivacy, AnotherAccountNeverSeesThePassword)
{
    const PrivacyCase& c = GetParam();
    // Each case has its own password: the completed case opens its archive with 7-Zip, whose
    // command line carries the password, while the other case's poller may be reading.
    const QString password = QStringLiteral("Tarsel-Secret-%1-9x7Q").arg(QLatin1String(c.name));
    const QString pattern = QStringLiteral("Tarsel-Secret-%1-9x7[Q]").arg(QLatin1String(c.name));
    OtherAccount account;
    ASSERT_TRUE(account.made());
    QProcess poller;
    poller.start("setpriv",
                 { "--reuid=" + account.name(), "--regid=" + account.name(), "--clear-groups", "/bin/sh", "-c",
                   "while :; do\n"
                   "  if cat /proc/[0-9]*/cmdline /proc/[0-9]*/environ 2>/dev/null | grep -aqe \"$1\"; then\n"
                   "    echo SEEN\n"
                   "  fi\n"
                   "  echo ROUND\n"
                   "done\n",
                   "poller", pattern });
    QByteArray seen;
    const auto rounds = [&] {
        seen += poller.readAllStandardOutput();
        return seen.count("ROUND");
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return rounds() >= 1; }, 30000)) << poller.readAllStandardError().constData();

    // Pseudo-random bytes do not compress: writing them takes a moment.
    QRandomGenerator random(26);
    for (int i = 0; i < 4; ++i) {
        QByteArray data(8 * 1024 * 1024, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        writeFile(m_dir + QStringLiteral("/big/part%1.bin").arg(i), data);
    }
    QVCompress::setAccessoryFactory([password] { return std::make_unique<FakeAccessory>(password); });
    select({ m_dir + "/big" });
    PanelScript panels;
    panels.setNextPaths({ m_dir + "/big.zip" });
    AlertScript alerts;
    std::function<void()> cancel;
    int cleaned = 0;
    const int pendingBefore = QVPendingWork::count();
    int pendingWhileRunning = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.setCancelHandler = [&](std::function<void()> handler) { cancel = std::move(handler); };
    hooks.setProgress = [&](double, const QString& tip) {
        pendingWhileRunning = QVPendingWork::count();
        if (c.cancel && !tip.isEmpty() && cancel) {
            cancel();
        }
    };
    hooks.clean = [&] { ++cleaned; };
    m_service.setProgressHooks(hooks);
    m_service.readyStart(item("Encrypted Compression"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == 1; }, 120000));
    QVCompress::setAccessoryFactory({});
    // Two more full rounds after the run: the poller was reading all along.
    const int atEnd = rounds();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rounds() >= atEnd + 2; }, 30000));
    poller.kill();
    poller.waitForFinished();

    EXPECT_FALSE(seen.contains("SEEN"));
    EXPECT_GT(pendingWhileRunning, pendingBefore);
    EXPECT_EQ(QVPendingWork::count(), pendingBefore);
    EXPECT_TRUE(alerts.shown().isEmpty());
    const QStringList left = QDir(m_dir).entryList(QDir::Files | QDir::Hidden);
    if (c.cancel) {
        EXPECT_EQ(left, QStringList());
    } else {
        EXPECT_EQ(left, QStringList { "big.zip" });
        EXPECT_EQ(extractWithSevenZip(m_dir + "/big.zip", password).value_or(QStringList()).size(), 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Compression, PasswordPrivacy,
                         testing::Values(PrivacyCase { "Completed", false }, PrivacyCase { "Cancelled", true }),
                         caseName<PrivacyCase>);

} // namespace
