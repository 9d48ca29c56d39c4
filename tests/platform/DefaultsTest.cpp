#include "platform/Defaults.h"

#include "platform/Paths.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::Defaults;

namespace {

QString suitePath(const QString& name)
{
    return tarsel::test::testHome() + "/suites/" + name + ".plist";
}

} // namespace

TEST(DefaultsTest, RoundTripsEveryPropertyListType)
{
    Defaults& d = Defaults::forFile(suitePath("types"));
    const QDateTime when = QDateTime(QDate(2024, 2, 29), QTime(12, 30, 15), QTimeZone::utc());
    QVariantMap entry { { "key", "Copy Path" }, { "disabled", false }, { "count", -42 } };
    ASSERT_TRUE(d.setValue("flag", true));
    ASSERT_TRUE(d.setValue("big", QVariant(qint64(1) << 40)));
    ASSERT_TRUE(d.setValue("negative", -7));
    ASSERT_TRUE(d.setValue("real", 2.5));
    ASSERT_TRUE(d.setValue("text", "grün & <b>"));
    ASSERT_TRUE(d.setValue("data", QByteArray("\x00\x01\xff", 3)));
    ASSERT_TRUE(d.setValue("date", when));
    ASSERT_TRUE(d.setValue("list", QVariantList { entry, "x" }));

    // A second instance on the same file reads what the first wrote.
    Defaults fresh(d.filePath());
    EXPECT_TRUE(fresh.boolValue("flag"));
    EXPECT_EQ(fresh.integerValue("big"), qint64(1) << 40);
    EXPECT_EQ(fresh.integerValue("negative"), -7);
    EXPECT_DOUBLE_EQ(fresh.doubleValue("real"), 2.5);
    EXPECT_EQ(fresh.stringValue("text"), "grün & <b>");
    EXPECT_EQ(fresh.value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(fresh.value("date").toDateTime(), when);
    const QVariantList list = fresh.arrayValue("list");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(0).toMap().value("count").toLongLong(), -42);
    EXPECT_EQ(list.at(0).toMap().value("key").toString(), "Copy Path");
}

TEST(DefaultsTest, AbsentAndRemovedKeysAnswerEmptyValues)
{
    Defaults& d = Defaults::forFile(suitePath("absent"));
    EXPECT_FALSE(d.value("nothing").isValid());
    EXPECT_FALSE(d.boolValue("nothing"));
    EXPECT_TRUE(d.arrayValue("nothing").isEmpty());
    ASSERT_TRUE(d.setValue("k", 1));
    EXPECT_TRUE(d.contains("k"));
    ASSERT_TRUE(d.remove("k"));
    EXPECT_FALSE(d.contains("k"));
}

namespace {

// Text that XML 1.0 cannot carry, as it comes from file names and user input.
struct TextCase
{
    const char* name;
    QString text;
};

QString withUnits(std::initializer_list<char16_t> units)
{
    QString text;
    for (const char16_t u : units) {
        text += QChar(u);
    }
    return text;
}

const TextCase textCases[] = {
    { "Escape", "report \x1b[31mred\x1b[0m.txt" },
    { "StartOfHeading", "a\x01z" },
    { "VerticalTab", "a\x0bz" },
    { "UnitSeparator", "\x1f" },
    { "Delete", "a\x7fz" },
    { "Nul", withUnits({ u'a', 0, u'z' }) },
    { "EveryControlAndBackslashes", withUnits({ 1,     2,     3,    4,    5,    6,    7,    8,     0x0c,  0x0e, 0x1e,
                                                u'\\', u'\\', u'u', u'0', u'0', u'1', u'B', u'\t', u'\n', u'\r' }) },
    { "LoneHighSurrogate", withUnits({ u'x', 0xD800, u'y' }) },
    { "LoneLowSurrogateAtTheEnd", withUnits({ u'x', 0xDC00 }) },
    { "Noncharacters", withUnits({ 0xFFFE, u' ', 0xFFFF }) },
    { "StartsWithTheMarkOfEscapedText", withUnits({ 0xFDD0, u'\\', u'u', u'0', u'0', u'1', u'B' }) },
    { "MarkInTheMiddleIsPlain", withUnits({ u'a', 0xFDD0, u'b' }) },
    { "PlainTextWithAnEscapeLookalike", "C:\\u001B\\\\ grün & <b> ]]> 😀" },
};

using DefaultsTextTest = testing::TestWithParam<TextCase>;

// Whether a standard XML reader parses the whole file without an error.
QString xmlError(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    return xml.hasError() ? xml.errorString() : QString();
}

} // namespace

// A name holding ESC used to go raw into the XML file, which no standard plist reader could
// parse any more. Every text, as value and as key, keeps the file well-formed and reads back
// exactly.
TEST_P(DefaultsTextTest, TextXmlCannotCarryKeepsTheFileWellFormedAndReadsBackExactly)
{
    const QString text = GetParam().text;
    Defaults& d = Defaults::forFile(suitePath("text-" + QString::fromLatin1(GetParam().name)));
    ASSERT_TRUE(d.setValue("plain", "Copy Path"));
    ASSERT_TRUE(d.setValue("value", text));
    ASSERT_TRUE(d.setValue("nested", QVariantMap { { text, QVariantList { text, "x" + text } } }));
    ASSERT_TRUE(d.setValue(text, 1));

    QFile file(d.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(xmlError(bytes), QString());
    // Text XML carries is stored as it is, so other programs read it unchanged.
    EXPECT_TRUE(bytes.contains("<string>Copy Path</string>"));

    const QString python = QStandardPaths::findExecutable("python3");
    if (!python.isEmpty()) {
        const tarsel::test::ProgramRun reader
            = tarsel::test::runProgram(python,
                                       { "-c",
                                         QStringLiteral("import plistlib, sys\n"
                                                        "with open(sys.argv[1], 'rb') as f:\n"
                                                        "    print(plistlib.load(f)['plain'])\n"),
                                         d.filePath() });
        ASSERT_TRUE(reader.finished);
        EXPECT_EQ(reader.exitCode, 0) << reader.err.constData();
        EXPECT_EQ(reader.out.trimmed(), QByteArray("Copy Path"));
    }

    Defaults fresh(d.filePath());
    EXPECT_EQ(fresh.stringValue("value"), text);
    const QVariantMap nested = fresh.dictionaryValue("nested");
    ASSERT_EQ(nested.keys(), QStringList({ text }));
    EXPECT_EQ(nested.value(text).toList(), (QVariantList { text, "x" + text }));
    EXPECT_EQ(fresh.integerValue(text), 1);
    EXPECT_EQ(fresh.stringValue("plain"), "Copy Path");
}

INSTANTIATE_TEST_SUITE_P(Texts, DefaultsTextTest, testing::ValuesIn(textCases), tarsel::test::caseName<TextCase>);

namespace {

// What a damaged suite looks like on disk, and whether it is still a suite that can be read.
struct DamageCase
{
    const char* name;
    enum Kind { Bytes, Sparse, Folder, Fifo } kind;
    QByteArray bytes;
    bool readable;
    bool standardDefaults;
};

QByteArray xmlSuite(const QByteArray& body)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>") + body
        + QByteArrayLiteral("</dict>\n</plist>\n");
}

const QByteArray kGoodSuite = xmlSuite("<key>array right menu</key><array><dict><key>key</key><string>Copy "
                                       "Path</string></dict></array><key>pref check5</key><true/>");

QByteArray deepSuite(int levels)
{
    return xmlSuite("<key>a</key>" + QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels));
}

DamageCase damageCases[] = {
    { "Truncated", DamageCase::Bytes, kGoodSuite.left(kGoodSuite.size() / 2), false, false },
    { "TruncatedStandardDefaults", DamageCase::Bytes, kGoodSuite.left(kGoodSuite.size() / 2), false, true },
    // Thirteen bytes: a larger count read past the literal (the sanitizer build stopped on it).
    { "BinaryGarbage", DamageCase::Bytes, QByteArray("\x00\xff\x13\x37garbage\x80\x81", 13), false, false },
    { "ByteOrderMarkIsAccepted", DamageCase::Bytes, "\xEF\xBB\xBF" + kGoodSuite, true, false },
    { "Utf16", DamageCase::Bytes,
      QByteArray("\xFF\xFE")
          + QByteArray(reinterpret_cast<const char*>(QString::fromLatin1(kGoodSuite).utf16()), kGoodSuite.size() * 2),
      false, false },
    { "Json", DamageCase::Bytes, R"({"array right menu": [{"key": "Copy Path"}]})", false, false },
    { "BinaryPropertyList", DamageCase::Bytes, QByteArray("bplist00\xd0\x08\x00\x00\x00\x00\x00\x00\x01\x01", 18),
      false, false },
    { "NestedTooDeep", DamageCase::Bytes, deepSuite(50000), false, false },
    { "LargerThanTheBound", DamageCase::Sparse, {}, false, false },
    { "AFolder", DamageCase::Folder, {}, false, false },
    { "AFifo", DamageCase::Fifo, {}, false, false },
};

using DefaultsDamageTest = testing::TestWithParam<DamageCase>;

int readFailuresLogged = 0;

void countReadFailures(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (qstrcmp(context.category, "tarsel.platform.defaults") == 0
        && message.startsWith(QLatin1String("Failed to read"))) {
        ++readFailuresLogged;
    }
}

QStringList keptCopies(const QString& path)
{
    const QFileInfo info(path);
    return QDir(info.absolutePath()).entryList({ info.fileName() + ".damaged-*" }, QDir::System | QDir::Files);
}

} // namespace

// A suite that could not be read used to be written over by the next write, which lost the
// user's whole menu; a FIFO blocked the reader for ever and deep nesting overflowed the stack.
// Now nothing is written over unread bytes: they are kept beside the file first.
TEST_P(DefaultsDamageTest, UnreadableSuiteIsKeptBeforeAnythingIsWritten)
{
    const DamageCase& c = GetParam();
    const QString path = c.standardDefaults ? Defaults::standard().filePath() : suitePath(QString::fromLatin1(c.name));
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray encoded = QFile::encodeName(path);
    switch (c.kind) {
    case DamageCase::Bytes:
        tarsel::test::writeFile(path, c.bytes);
        break;
    case DamageCase::Sparse:
        tarsel::test::writeFile(path, kGoodSuite);
        ASSERT_EQ(::truncate(encoded.constData(), Defaults::kMaxFileSize + 1), 0);
        break;
    case DamageCase::Folder:
        ASSERT_TRUE(QDir().mkpath(path));
        break;
    case DamageCase::Fifo:
        ASSERT_EQ(::mkfifo(encoded.constData(), 0600), 0);
        break;
    }
    const QByteArray before = c.kind == DamageCase::Bytes ? tarsel::test::readFile(path) : QByteArray();

    readFailuresLogged = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countReadFailures);
    Defaults& d = c.standardDefaults ? Defaults::standard() : Defaults::forFile(path);
    const QVariantMap read = d.dictionaryRepresentation();
    d.dictionaryRepresentation();
    // A write that changes nothing writes nothing.
    EXPECT_TRUE(d.remove("absent"));
    const bool written = d.setValue("k", "v");
    qInstallMessageHandler(previous);

    if (c.readable) {
        EXPECT_EQ(read.value("array right menu").toList().size(), 1);
        EXPECT_TRUE(d.lastReadError().isEmpty()) << d.lastReadError().toStdString();
        EXPECT_TRUE(written);
        EXPECT_TRUE(keptCopies(path).isEmpty());
        EXPECT_EQ(readFailuresLogged, 0);
        Defaults fresh(path);
        EXPECT_TRUE(fresh.boolValue("pref check5"));
        return;
    }
    EXPECT_TRUE(read.isEmpty());
    EXPECT_EQ(readFailuresLogged, 1);
    if (c.kind == DamageCase::Folder) {
        // Nothing can take a folder's place: the write fails and the folder stays.
        EXPECT_FALSE(written);
        EXPECT_TRUE(QFileInfo(path).isDir());
        EXPECT_FALSE(d.lastReadError().isEmpty());
        return;
    }
    ASSERT_TRUE(written) << d.lastError().toStdString();
    const QStringList copies = keptCopies(path);
    ASSERT_EQ(copies.size(), 1);
    const QString copy = QFileInfo(path).absolutePath() + QLatin1Char('/') + copies.first();
    EXPECT_EQ(d.lastDamagedCopy(), copy);
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(copy).constData(), &st), 0);
    if (c.kind == DamageCase::Fifo) {
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    } else if (c.kind == DamageCase::Sparse) {
        EXPECT_EQ(st.st_size, Defaults::kMaxFileSize + 1);
    } else {
        EXPECT_EQ(tarsel::test::readFile(copy), before);
    }
    Defaults fresh(path);
    EXPECT_EQ(fresh.stringValue("k"), "v");
    EXPECT_TRUE(fresh.lastReadError().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultsDamageTest, testing::ValuesIn(damageCases),
                         [](const testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST(DefaultsTest, AnEarlierKeptCopyIsNeverReplaced)
{
    const QString path = suitePath("twice");
    Defaults& d = Defaults::forFile(path);
    for (const QByteArray& damage : { QByteArray("<plist><dict><key>first"), QByteArray("second garbage") }) {
        tarsel::test::writeFile(path, damage);
        ASSERT_TRUE(d.setValue("k", QString::fromLatin1(damage.left(5))));
    }
    QStringList kept;
    for (const QString& name : keptCopies(path)) {
        kept << QString::fromLatin1(tarsel::test::readFile(QFileInfo(path).absolutePath() + QLatin1Char('/') + name));
    }
    kept.sort();
    EXPECT_EQ(kept, QStringList({ "<plist><dict><key>first", "second garbage" }));
}

TEST(DefaultsTest, SeesWritesMadeByAnotherInstanceOfTheSameFile)
{
    const QString path = suitePath("shared");
    Defaults& mine = Defaults::forFile(path);
    Defaults other(path); // stands for another process
    ASSERT_TRUE(mine.setValue("a", 1));
    EXPECT_EQ(other.integerValue("a"), 1);
    ASSERT_TRUE(other.setValue("b", 2));
    EXPECT_EQ(mine.integerValue("b"), 2);
    EXPECT_EQ(mine.integerValue("a"), 1);
}

TEST(DefaultsTest, UpdateAppliesTheFunctionToTheCurrentValue)
{
    Defaults& d = Defaults::forFile(suitePath("update"));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(d.update("list", [i](const QVariant& v) {
            QVariantList l = v.toList();
            l << i;
            return QVariant(l);
        }));
    }
    EXPECT_EQ(d.arrayValue("list"), (QVariantList { 0, 1, 2, 3, 4 }));
    ASSERT_TRUE(d.update("list", [](const QVariant&) { return QVariant(); }));
    EXPECT_FALSE(d.contains("list"));
}

TEST(DefaultsTest, UnwritableFolderReportsTheFailure)
{
    // A regular file where the folder should be: no privilege lets the write through.
    const QString blocker = tarsel::test::testHome() + "/blocker";
    tarsel::test::writeFile(blocker, "x");
    Defaults d(blocker + "/sub/suite.plist");
    EXPECT_FALSE(d.setValue("k", 1));
    EXPECT_FALSE(d.lastError().isEmpty());
}

// Writes keys "<prefix>0".."<prefix>N-1" one write each, then the counter "<prefix>count".
TARSEL_TEST_CHILD(defaultsWriter)
{
    Defaults& d = Defaults::forFile(args.value(0));
    const QString prefix = args.value(1);
    const int n = args.value(2).toInt();
    for (int i = 0; i < n; ++i) {
        if (!d.setValue(prefix + QString::number(i), i)) {
            return 2;
        }
        if (!d.update("counter", [](const QVariant& v) { return QVariant(v.toLongLong() + 1); })) {
            return 3;
        }
    }
    return 0;
}

TARSEL_TEST_CHILD(defaultsReader)
{
    Defaults& d = Defaults::forFile(args.value(0));
    const QVariantMap all = d.dictionaryRepresentation();
    printf("%lld %lld\n", static_cast<long long>(all.size()), d.integerValue("counter"));
    return 0;
}

// Two hundred writes each interleave often enough to catch a lost update; bench/defaults_bench
// runs the long form and times it.
TEST(DefaultsTest, TwoProcessesWritingAtOnceLoseNoWrite)
{
    const QString path = suitePath("concurrent");
    const int n = 200;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> writers;
    for (const char* prefix : { "a", "b" }) {
        auto* p = new QProcess;
        env.insert("TARSEL_TEST_CHILD", "defaultsWriter");
        p->setProcessEnvironment(env);
        p->start(tarsel::test::testBinary(), { path, QString::fromLatin1(prefix), QString::number(n) });
        writers << p;
    }
    // Each write rewrites the whole suite: under the sanitizers, on a loaded machine, the two
    // writers take a while.
    for (QProcess* p : writers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        delete p;
    }
    const auto reader = tarsel::test::runChild("defaultsReader", { path });
    ASSERT_EQ(reader.exitCode, 0);
    // 2n distinct keys plus the shared counter, which every one of the 2n updates raised.
    EXPECT_EQ(reader.out.trimmed(), QByteArray::number(2 * n + 1) + ' ' + QByteArray::number(2 * n));
}

// A batch answers its own writes at once, shows them to other readers of the file only when it
// commits (in one replacement of the file), nests, and keeps a damaged file aside before
// writing over it.
TEST(DefaultsTest, ABatchWritesEverythingAtItsEndInOneReplacement)
{
    const QString path = suitePath("batch");
    Defaults& d = Defaults::forFile(path);
    ASSERT_TRUE(d.setValue("kept", 1));
    const auto inode = [&path] {
        struct stat st
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t before = inode();
    {
        Defaults::Batch batch(d);
        ASSERT_TRUE(d.setValue("a", 1));
        {
            Defaults::Batch inner(d);
            ASSERT_TRUE(d.update("a", [](const QVariant& v) { return v.toLongLong() + 1; }));
            ASSERT_TRUE(d.remove("kept"));
        }
        EXPECT_EQ(d.integerValue("a"), 2);
        EXPECT_FALSE(d.contains("kept"));
        // Nothing reached the file yet.
        EXPECT_EQ(inode(), before);
        Defaults other(path); // stands for another process
        EXPECT_FALSE(other.contains("a"));
        EXPECT_EQ(other.integerValue("kept"), 1);
        EXPECT_TRUE(batch.commit());
        EXPECT_NE(inode(), before);
        EXPECT_EQ(other.integerValue("a"), 2);
        EXPECT_FALSE(other.contains("kept"));
    }
    // After the batch, writes go to the file one by one again.
    Defaults other(path);
    ASSERT_TRUE(d.setValue("b", true));
    EXPECT_TRUE(other.boolValue("b"));

    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("<plist><dict><key>broken");
    damaged.close();
    {
        Defaults::Batch batch(d);
        EXPECT_FALSE(d.contains("a"));
        ASSERT_TRUE(d.setValue("c", 3));
    }
    EXPECT_FALSE(d.lastDamagedCopy().isEmpty());
    QFile kept(d.lastDamagedCopy());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("<plist><dict><key>broken"));
    EXPECT_EQ(Defaults(path).integerValue("c"), 3);
}
