// The garbled-name window driven through its real widgets on the offscreen platform: rows from
// several folders, a choice made in a row's pop-up, and "One-click Recover".

#include "toolwindows/fixname/QVFixNameWinCtl.h"

#include "platform/MountTable.h"
#include "platform/RealPath.h"

#include "testsupport/ModalScript.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

QComboBox* popUpOf(QVFixNameWinCtl& ctl, int row)
{
    return qobject_cast<QComboBox*>(ctl.tableView()->cellWidget(row, 1));
}

} // namespace

// The rename once took the first row's folder for every row, moving files of other folders
// there, and a taken name was replaced. Now each file stays in its folder, a taken name is
// refused (and shown) and the other file kept, and a proposal that names another folder is never
// offered.
TEST(QVFixNameWinCtlTest, RenamesEachFileInItsOwnFolderAndNeverOverATakenName)
{
    const QString a = testHome() + QStringLiteral("/fix/a");
    const QString b = testHome() + QStringLiteral("/fix/b");
    // A Shift_JIS name read as Latin-1: the first proposal (a GBK reading) is not the right one.
    const QString japanese = QStringLiteral("東京.txt");
    using Encoding = QVFixNameParser::Encoding;
    const QString garbled
        = *QVFixNameParser::decode(*QVFixNameParser::encode(japanese, Encoding::ShiftJIS), Encoding::Latin1);
    const QString gbk = writeFile(a + QLatin1Char('/') + garbled, "sjis");
    const QString spaced = writeFile(b + QStringLiteral("/a%20b.txt"), "spaced");
    const QString clash = writeFile(b + QStringLiteral("/x%41.txt"), "clash");
    const QString taken = writeFile(b + QStringLiteral("/xA.txt"), "taken");
    const QString escape = writeFile(b + QStringLiteral("/..%2Fout.txt"), "escape");

    QVFixNameWinCtl ctl;
    QList<int> sounds;
    int sure = 0;
    ctl.setSoundPlayer([&](int type) { sounds << type; });
    ctl.setSureBlock([&] { ++sure; });
    const auto url = [](const QString& p) { return QUrl::fromLocalFile(p); };
    ctl.openWithURLs({ url(gbk), url(spaced), url(clash) });
    ctl.openWithURLs({ url(escape), url(gbk) }); // a file given twice has one row
    ASSERT_EQ(ctl.tableView()->rowCount(), 4);
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_EQ(popUpOf(ctl, 3)->count(), 0);

    // Choose the Shift_JIS reading in the first row's pop-up with the keyboard, as a user would.
    QComboBox* first = popUpOf(ctl, 0);
    const int wanted = first->findText(japanese);
    ASSERT_GT(wanted, 0);
    for (int i = 0; i < wanted; ++i) {
        QTest::keyClick(first, Qt::Key_Down);
    }
    EXPECT_EQ(ctl.tableData().first().curDict, wanted);

    // Nothing is selected, so there is nothing to remove.
    EXPECT_FALSE(ctl.deleteBtn()->isEnabled());
    AlertScript script;
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);

    EXPECT_EQ(readFile(a + QLatin1Char('/') + japanese), "sjis");
    EXPECT_EQ(readFile(b + QStringLiteral("/a b.txt")), "spaced");
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/a b.txt")));
    EXPECT_EQ(readFile(taken), "taken");
    EXPECT_EQ(readFile(clash), "clash");
    EXPECT_EQ(readFile(escape), "escape");
    EXPECT_FALSE(QFileInfo::exists(testHome() + QStringLiteral("/fix/out.txt")));
    // The refused rename is shown, its row stays and the window with it: nothing is done yet.
    ASSERT_EQ(ctl.tableData().size(), 1);
    EXPECT_EQ(ctl.tableData().first().path, clash);
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.shown().first().informativeText.contains(clash));
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_EQ(sounds, QList<int>({ 4 }));
    EXPECT_EQ(sure, 0);
}

TEST(QVFixNameWinCtlTest, RemoveTakesTheSelectedRowAndClearTakesAll)
{
    const QString dir = testHome() + QStringLiteral("/fixrows");
    QVFixNameWinCtl ctl;
    ctl.openWithURLs({ QUrl::fromLocalFile(writeFile(dir + QStringLiteral("/one%20.txt"), "1")),
                       QUrl::fromLocalFile(writeFile(dir + QStringLiteral("/two%20.txt"), "2")) });
    ctl.tableView()->selectRow(0);
    ASSERT_TRUE(ctl.deleteBtn()->isEnabled());
    QTest::mouseClick(ctl.deleteBtn(), Qt::LeftButton);
    ASSERT_EQ(ctl.tableData().size(), 1);
    EXPECT_TRUE(ctl.tableData().first().path.endsWith(QStringLiteral("two%20.txt")));
    EXPECT_FALSE(ctl.deleteBtn()->isEnabled());
    QTest::mouseClick(ctl.clearBtn(), Qt::LeftButton);
    EXPECT_EQ(ctl.tableView()->rowCount(), 0);
}

namespace {

struct FailedRenameCase
{
    const char* name;
    /// Prepares the failure for the file about to be renamed to "a b.txt" in the folder.
    std::function<void(const QString& folder, const QString& file)> prepare;
    const char* why;
};

void PrintTo(const FailedRenameCase& c, std::ostream* os)
{
    *os << c.name;
}

const QList<FailedRenameCase>& failedRenameCases()
{
    static const QList<FailedRenameCase> list = {
        { "NameTaken", [](const QString& folder, const QString&) { writeFile(folder + "/a b.txt", "taken"); },
          "File exists" },
        { "FileGone", [](const QString&, const QString& file) { QDir().rmdir(file); }, "No such file" },
        // A mount point dropped onto the window: the table is the test's own.
        { "MountPoint",
          [](const QString&, const QString& file) {
              const QString table = writeFile(testHome() + "/mountinfo",
                                              "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / "
                                                  + QFile::encodeName(file) + " rw - vfat /dev/sdb1 rw\n");
              platform::MountTable::setPath(table);
          },
          "never removed, moved or renamed" },
    };
    return list;
}

class QVFixNameFailedRenameTest : public testing::TestWithParam<FailedRenameCase>
{
protected:
    void TearDown() override { platform::MountTable::setPath(QString()); }
};

} // namespace

// A refused rename was only logged: the rows went, the window closed and the engine was told all
// was done. Now each file that kept its name is named with the reason, its row and choice stay,
// and the window stays open; the files that could be renamed are renamed.
TEST_P(QVFixNameFailedRenameTest, ShowsWhichNamesFailedAndWhyAndKeepsTheirRows)
{
    const QString folder = testHome() + QStringLiteral("/garbled");
    const QString good = writeFile(folder + QStringLiteral("/c%20d.txt"), "good");
    const QString bad = folder + QStringLiteral("/a%20b.txt");
    ASSERT_TRUE(QDir().mkpath(bad));
    QVFixNameWinCtl ctl;
    QList<int> sounds;
    int sure = 0;
    ctl.setSoundPlayer([&](int type) { sounds << type; });
    ctl.setSureBlock([&] { ++sure; });
    ctl.openWithURLs({ QUrl::fromLocalFile(bad), QUrl::fromLocalFile(good) });
    ASSERT_EQ(ctl.tableData().size(), 2);
    GetParam().prepare(folder, bad);

    AlertScript script;
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);

    EXPECT_EQ(readFile(folder + QStringLiteral("/c d.txt")), "good");
    ASSERT_EQ(script.shown().size(), 1);
    const QString text = script.shown().first().informativeText;
    EXPECT_TRUE(text.contains(QStringLiteral("Failed to rename the file. File: \"%1\"").arg(bad)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(GetParam().why))) << text.toStdString();
    EXPECT_FALSE(text.contains(good)) << text.toStdString();
    ASSERT_EQ(ctl.tableData().size(), 1);
    EXPECT_EQ(ctl.tableData().first().path, bad);
    EXPECT_EQ(ctl.tableData().first().curDict, 0);
    EXPECT_EQ(ctl.tableView()->rowCount(), 1);
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_EQ(sounds, QList<int>({ 4 }));
    EXPECT_EQ(sure, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, QVFixNameFailedRenameTest, testing::ValuesIn(failedRenameCases()),
                         caseName<FailedRenameCase>);

namespace {

// A name as an older system wrote it: the UTF-8 text converted by the iconv program.
QByteArray legacyBytes(const QString& name, const char* charset)
{
    const ProgramRun iconv = runProgram(
        QStringLiteral("iconv"),
        { QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QString::fromLatin1(charset) },
        { .input = name.toUtf8() });
    EXPECT_EQ(iconv.exitCode, 0) << charset;
    return iconv.out;
}

QByteArray makeFileAtBytes(const QByteArray& folder, const QByteArray& name, const QByteArray& contents)
{
    EXPECT_TRUE(QDir().mkpath(QFile::decodeName(folder)));
    const QByteArray path = folder + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0) << path.constData();
    EXPECT_EQ(::write(fd, contents.constData(), size_t(contents.size())), contents.size());
    ::close(fd);
    return path;
}

// The URL a file manager hands over for the bytes: escapes of bytes that are not UTF-8.
QUrl urlOfBytes(const QByteArray& path)
{
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

bool existsAtBytes(const QByteArray& path)
{
    return ::access(path.constData(), F_OK) == 0;
}

QStringList candidateTexts(const QVFixInfo& row)
{
    QStringList texts;
    for (const QVFixCandidate& c : row.fixDictArray) {
        texts << c.text;
    }
    return texts;
}

void choose(QVFixNameWinCtl& ctl, int row, const QString& text)
{
    QComboBox* popUp = popUpOf(ctl, row);
    const int wanted = popUp->findText(text);
    ASSERT_GE(wanted, 0);
    for (int i = popUp->currentIndex(); i < wanted; ++i) {
        QTest::keyClick(popUp, Qt::Key_Down);
    }
    ASSERT_EQ(ctl.tableData().at(row).curDict, wanted);
}

struct LegacyName
{
    const char* name;
    const char* charset;
    const char* text;
    /// The detector's reading must come first (multi-byte names; a short single-byte name gives
    /// it too little to tell the code pages apart).
    bool first;
};

void PrintTo(const LegacyName& c, std::ostream* os)
{
    *os << c.name;
}

const QList<LegacyName>& legacyNames()
{
    static const QList<LegacyName> list = {
        { "GbkChinese", "GBK", "会议纪要.txt", true },
        { "Big5Chinese", "BIG5", "臺北市地圖.pdf", true },
        { "ShiftJisJapanese", "SHIFT_JIS", "日本語のファイル.txt", true },
        { "EucKrKorean", "EUC-KR", "보고서 초안.hwp", true },
        { "Cp1251Russian", "CP1251", "Отчёт за квартал.doc", false },
        { "Latin1French", "ISO-8859-1", "Café crème.txt", false },
        { "Cp437German", "CP437", "Übersicht Größe.txt", false },
    };
    return list;
}

using QVFixNameLegacyNameTest = testing::TestWithParam<LegacyName>;

} // namespace

// A name whose bytes were not UTF-8 was read as text with replacement characters: none of its
// proposals was the name, and the rename looked for a file of that replaced name. Now the bytes
// are read in each encoding, and the file is renamed from its exact bytes.
TEST_P(QVFixNameLegacyNameTest, OffersTheRightNameAndRenamesTheFileToIt)
{
    const LegacyName& c = GetParam();
    const QString right = QString::fromUtf8(c.text);
    const QByteArray folder = QFile::encodeName(testHome()) + "/legacy";
    const QByteArray name = legacyBytes(right, c.charset);
    ASSERT_FALSE(platform::realpath::decodesExactly(name));
    const QByteArray path = makeFileAtBytes(folder, name, c.name);

    QVFixNameWinCtl ctl;
    int sure = 0;
    ctl.setSureBlock([&] { ++sure; });
    ctl.openWithURLs({ urlOfBytes(path) });
    ASSERT_EQ(ctl.tableData().size(), 1);
    const QStringList texts = candidateTexts(ctl.tableData().first());
    ASSERT_TRUE(texts.contains(right)) << texts.join(QLatin1Char('|')).toStdString();
    if (c.first) {
        EXPECT_EQ(texts.first(), right) << texts.join(QLatin1Char('|')).toStdString();
    }
    choose(ctl, 0, right);

    AlertScript script;
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);

    EXPECT_TRUE(script.shown().isEmpty());
    EXPECT_EQ(readFile(QFile::decodeName(folder) + QLatin1Char('/') + right), QByteArray(c.name));
    EXPECT_TRUE(existsAtBytes(folder + '/' + right.toUtf8()));
    EXPECT_FALSE(existsAtBytes(path));
    EXPECT_EQ(sure, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, QVFixNameLegacyNameTest, testing::ValuesIn(legacyNames()), caseName<LegacyName>);

// One-click Recover over several names that are not UTF-8: each file takes its name, except the
// one whose name is already taken there, which keeps its own bytes, and the file holding that
// name is left as it was.
TEST(QVFixNameWinCtlTest, RenamesNamesThatAreNotUtf8AndNeverOverATakenName)
{
    const QByteArray folder = QFile::encodeName(testHome()) + "/legacyall";
    const QString chinese = QStringLiteral("新建文件夹.txt");
    const QString korean = QStringLiteral("새 폴더.txt");
    const QByteArray gbk = makeFileAtBytes(folder, legacyBytes(chinese, "GBK"), "gbk");
    const QByteArray euckr = makeFileAtBytes(folder, legacyBytes(korean, "EUC-KR"), "euc-kr");
    const QByteArray taken = makeFileAtBytes(folder, chinese.toUtf8(), "taken");

    QVFixNameWinCtl ctl;
    ctl.openWithURLs({ urlOfBytes(gbk), urlOfBytes(euckr) });
    ASSERT_EQ(ctl.tableData().size(), 2);
    choose(ctl, 0, chinese);
    choose(ctl, 1, korean);
    AlertScript script;
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);

    EXPECT_EQ(readFile(QFile::decodeName(folder) + QLatin1Char('/') + korean), "euc-kr");
    EXPECT_FALSE(existsAtBytes(euckr));
    EXPECT_EQ(readFile(QFile::decodeName(taken)), "taken");
    ASSERT_TRUE(existsAtBytes(gbk));
    ASSERT_EQ(ctl.tableData().size(), 1);
    EXPECT_EQ(ctl.tableData().first().bytes, gbk);
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_TRUE(script.shown().first().informativeText.contains(QStringLiteral("File exists")));
    EXPECT_TRUE(ctl.window()->isVisible());
}
