#include "platform/Defaults.h"

#include "platform/Paths.h"
#include "testsupport/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTimeZone>

#include <gtest/gtest.h>

using platform::Defaults;

namespace {

QString suitePath(const QString& name)
{
    return tarsel::test::testHome() + QStringLiteral("/suites/") + name + QStringLiteral(".plist");
}

} // namespace

TEST(DefaultsTest, RoundTripsEveryPropertyListType)
{
    Defaults& d = Defaults::forFile(suitePath(QStringLiteral("types")));
    const QDateTime when = QDateTime(QDate(2024, 2, 29), QTime(12, 30, 15), QTimeZone::utc());
    QVariantMap entry { { QStringLiteral("key"), QStringLiteral("Copy Path") },
                        { QStringLiteral("disabled"), false },
                        { QStringLiteral("count"), -42 } };
    ASSERT_TRUE(d.setValue(QStringLiteral("flag"), true));
    ASSERT_TRUE(d.setValue(QStringLiteral("big"), QVariant(qint64(1) << 40)));
    ASSERT_TRUE(d.setValue(QStringLiteral("negative"), -7));
    ASSERT_TRUE(d.setValue(QStringLiteral("real"), 2.5));
    ASSERT_TRUE(d.setValue(QStringLiteral("text"), QStringLiteral("grün & <b>")));
    ASSERT_TRUE(d.setValue(QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)));
    ASSERT_TRUE(d.setValue(QStringLiteral("date"), when));
    ASSERT_TRUE(d.setValue(QStringLiteral("list"), QVariantList { entry, QStringLiteral("x") }));

    // A second instance on the same file reads what the first wrote.
    Defaults fresh(d.filePath());
    EXPECT_TRUE(fresh.boolValue(QStringLiteral("flag")));
    EXPECT_EQ(fresh.integerValue(QStringLiteral("big")), qint64(1) << 40);
    EXPECT_EQ(fresh.integerValue(QStringLiteral("negative")), -7);
    EXPECT_DOUBLE_EQ(fresh.doubleValue(QStringLiteral("real")), 2.5);
    EXPECT_EQ(fresh.stringValue(QStringLiteral("text")), QStringLiteral("grün & <b>"));
    EXPECT_EQ(fresh.value(QStringLiteral("data")).toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(fresh.value(QStringLiteral("date")).toDateTime(), when);
    const QVariantList list = fresh.arrayValue(QStringLiteral("list"));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(0).toMap().value(QStringLiteral("count")).toLongLong(), -42);
    EXPECT_EQ(list.at(0).toMap().value(QStringLiteral("key")).toString(), QStringLiteral("Copy Path"));
}

TEST(DefaultsTest, AbsentAndRemovedKeysAnswerEmptyValues)
{
    Defaults& d = Defaults::forFile(suitePath(QStringLiteral("absent")));
    EXPECT_FALSE(d.value(QStringLiteral("nothing")).isValid());
    EXPECT_FALSE(d.boolValue(QStringLiteral("nothing")));
    EXPECT_TRUE(d.arrayValue(QStringLiteral("nothing")).isEmpty());
    ASSERT_TRUE(d.setValue(QStringLiteral("k"), 1));
    EXPECT_TRUE(d.contains(QStringLiteral("k")));
    ASSERT_TRUE(d.remove(QStringLiteral("k")));
    EXPECT_FALSE(d.contains(QStringLiteral("k")));
}

TEST(DefaultsTest, DamagedFileReadsAsEmptyAndIsRepairedByTheNextWrite)
{
    const QString path = suitePath(QStringLiteral("damaged"));
    tarsel::test::writeFile(path, "<plist><dict><key>broken");
    Defaults& d = Defaults::forFile(path);
    EXPECT_TRUE(d.dictionaryRepresentation().isEmpty());
    ASSERT_TRUE(d.setValue(QStringLiteral("k"), QStringLiteral("v")));
    Defaults fresh(path);
    EXPECT_EQ(fresh.stringValue(QStringLiteral("k")), QStringLiteral("v"));
}

TEST(DefaultsTest, SeesWritesMadeByAnotherInstanceOfTheSameFile)
{
    const QString path = suitePath(QStringLiteral("shared"));
    Defaults& mine = Defaults::forFile(path);
    Defaults other(path); // stands for another process
    ASSERT_TRUE(mine.setValue(QStringLiteral("a"), 1));
    EXPECT_EQ(other.integerValue(QStringLiteral("a")), 1);
    ASSERT_TRUE(other.setValue(QStringLiteral("b"), 2));
    EXPECT_EQ(mine.integerValue(QStringLiteral("b")), 2);
    EXPECT_EQ(mine.integerValue(QStringLiteral("a")), 1);
}

TEST(DefaultsTest, UpdateAppliesTheFunctionToTheCurrentValue)
{
    Defaults& d = Defaults::forFile(suitePath(QStringLiteral("update")));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(d.update(QStringLiteral("list"), [i](const QVariant& v) {
            QVariantList l = v.toList();
            l << i;
            return QVariant(l);
        }));
    }
    EXPECT_EQ(d.arrayValue(QStringLiteral("list")), (QVariantList { 0, 1, 2, 3, 4 }));
    ASSERT_TRUE(d.update(QStringLiteral("list"), [](const QVariant&) { return QVariant(); }));
    EXPECT_FALSE(d.contains(QStringLiteral("list")));
}

TEST(DefaultsTest, UnwritableFolderReportsTheFailure)
{
    // A regular file where the folder should be: no privilege lets the write through.
    const QString blocker = tarsel::test::testHome() + QStringLiteral("/blocker");
    tarsel::test::writeFile(blocker, "x");
    Defaults d(blocker + QStringLiteral("/sub/suite.plist"));
    EXPECT_FALSE(d.setValue(QStringLiteral("k"), 1));
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
        if (!d.update(QStringLiteral("counter"), [](const QVariant& v) { return QVariant(v.toLongLong() + 1); })) {
            return 3;
        }
    }
    return 0;
}

TARSEL_TEST_CHILD(defaultsReader)
{
    Defaults& d = Defaults::forFile(args.value(0));
    const QVariantMap all = d.dictionaryRepresentation();
    printf("%lld %lld\n", static_cast<long long>(all.size()), d.integerValue(QStringLiteral("counter")));
    return 0;
}

TEST(DefaultsTest, TwoProcessesWritingAtOnceLoseNoWrite)
{
    const QString path = suitePath(QStringLiteral("concurrent"));
    const int n = 1000;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> writers;
    for (const char* prefix : { "a", "b" }) {
        auto* p = new QProcess;
        env.insert(QStringLiteral("TARSEL_TEST_CHILD"), QStringLiteral("defaultsWriter"));
        p->setProcessEnvironment(env);
        p->start(tarsel::test::testBinary(), { path, QString::fromLatin1(prefix), QString::number(n) });
        writers << p;
    }
    for (QProcess* p : writers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        delete p;
    }
    const auto reader = tarsel::test::runChild(QStringLiteral("defaultsReader"), { path });
    ASSERT_EQ(reader.exitCode, 0);
    // 2n distinct keys plus the shared counter, which every one of the 2n updates raised.
    EXPECT_EQ(reader.out.trimmed(), QByteArray::number(2 * n + 1) + ' ' + QByteArray::number(2 * n));
}
