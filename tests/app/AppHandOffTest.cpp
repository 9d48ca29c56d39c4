// The file-manager host and the application as real processes: a command the extension hands
// over reaches the running application, or the one the host starts, and runs exactly once.
// "As Desktop Picture" runs a stand-in gsettings from the PATH the programs get (the tests have
// no session bus, so no portal), which counts each picture it is asked to set in a file.

#include "engine/model/QVDefaultData.h"
#include "platform/AppChannel.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

const QString kApp = QStringLiteral(TARSEL_APP_PROGRAM);
const QString kHost = QStringLiteral(TARSEL_FINDER_PROGRAM);

class Programs
{
public:
    Programs()
    {
        const QString bin = testHome() + QStringLiteral("/bin");
        QDir().mkpath(bin);
        const QString gsettings = writeFile(bin + QStringLiteral("/gsettings"),
                                            "#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(counterFile()) + "'\n");
        QFile::setPermissions(gsettings, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_env.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
        m_env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    }

    static QString counterFile() { return testHome() + QStringLiteral("/pictures-set"); }
    // The pictures set so far: gsettings is asked once for "picture-uri" per command.
    static int count() { return int(readFile(counterFile()).count(" picture-uri ")); }

    void start(QProcess& process, const QString& program, const QStringList& args) const
    {
        process.setProcessEnvironment(m_env);
        process.start(program, args);
    }
    int run(const QString& program, const QStringList& args, QByteArray* err = nullptr) const
    {
        QProcess process;
        start(process, program, args);
        const bool done = process.waitForFinished(60000);
        if (err != nullptr) {
            *err = process.readAllStandardError();
        }
        return done && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // The tag of the entry with that key in the menu the host shows for the file.
    int tagOf(const QString& key, const QString& file) const
    {
        QProcess process;
        start(process, kHost, { QStringLiteral("menu"), QStringLiteral("--json"), file });
        process.waitForFinished(60000);
        const QJsonArray items = QJsonDocument::fromJson(process.readAllStandardOutput())
                                     .object()
                                     .value(QStringLiteral("items"))
                                     .toArray();
        for (const QJsonValue& item : items) {
            if (item.toObject().value(QStringLiteral("key")).toString() == key) {
                return item.toObject().value(QStringLiteral("tag")).toInt();
            }
        }
        return -1;
    }
    // Ends the running application: "Tarsel --quit" until one took it, then until none listens.
    bool quitApplication() const
    {
        return QTest::qWaitFor([this] { return run(kApp, { QStringLiteral("--quit") }) == 0; }, 20000)
            && QTest::qWaitFor([] { return !listening(); }, 20000);
    }
    static bool listening()
    {
        QLocalSocket socket;
        socket.connectToServer(platform::AppChannel::socketName());
        return socket.waitForConnected(1000);
    }

private:
    QProcessEnvironment m_env;
};

// The process has ended (waitForFinished alone answers false for one already seen to end).
bool ends(QProcess& process)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(20000);
}

QString writeImage(const QString& name = QStringLiteral("sunset view.png"))
{
    const QString path = testHome() + QStringLiteral("/Pictures/") + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    image.save(path);
    return path;
}

struct HandOffCase
{
    const char* name;
    bool applicationRuns; ///< the application runs before the host hands the command over
};

class AppHandOffTest : public testing::TestWithParam<HandOffCase>
{
};

} // namespace

TEST_P(AppHandOffTest, TheHandedOverCommandRunsExactlyOnce)
{
    // Tarsel has started before (the factory menu is there) but may not run now.
    ASSERT_TRUE(QVDefaultData::setup());
    const Programs programs;
    const QString image = writeImage();
    QProcess app;
    if (GetParam().applicationRuns) {
        programs.start(app, kApp, {});
        ASSERT_TRUE(QTest::qWaitFor(&Programs::listening, 20000)) << app.readAllStandardError().constData();
    }
    const int tag = programs.tagOf(QStringLiteral("As Desktop Picture"), image);
    ASSERT_GT(tag, 0);
    QByteArray err;
    ASSERT_EQ(programs.run(kHost, { QStringLiteral("pick"), QString::number(tag), image }, &err), 0) << err.constData();

    EXPECT_TRUE(QTest::qWaitFor([] { return Programs::count() >= 1; }, 20000)) << "the picture was never set";
    ASSERT_TRUE(programs.quitApplication());
    if (GetParam().applicationRuns) {
        ASSERT_TRUE(ends(app));
        EXPECT_EQ(app.exitCode(), 0);
    }
    // The application has ended: nothing can run the command a second time any more.
    EXPECT_EQ(Programs::count(), 1) << readFile(Programs::counterFile()).constData();
    const QString uri = QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded);
    EXPECT_TRUE(readFile(Programs::counterFile()).contains(" picture-uri " + uri.toUtf8() + '\n'));
}

INSTANTIATE_TEST_SUITE_P(Applications, AppHandOffTest,
                         testing::Values(HandOffCase { "ToTheRunningApplication", true },
                                         HandOffCase { "ToAStoppedOneTheHostStarts", false }),
                         caseName<HandOffCase>);

// Two starts at the same moment both find no application: one listens and the other hands its
// command to it, waiting while the first is still starting. One application, both commands run
// once, and the one that handed over ends by itself.
TEST(AppSingleInstanceTest, TwoStartsAtOnceLeaveOneApplicationThatRunsBoth)
{
    const Programs programs;
    const QString image = writeImage();
    const QString address = QStringLiteral("TarselPro://qvcommand-8?qvselect=1&qvpath=")
        + QString::fromLatin1(QUrl::toPercentEncoding(image, "/"));
    QProcess first;
    QProcess second;
    programs.start(first, kApp, { address });
    programs.start(second, kApp, { address });

    ASSERT_TRUE(QTest::qWaitFor([] { return Programs::count() >= 2; }, 20000))
        << readFile(Programs::counterFile()).constData();
    // The one that handed over ends by itself.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return first.state() == QProcess::NotRunning || second.state() == QProcess::NotRunning; }, 20000));
    QProcess& stayed = first.state() == QProcess::NotRunning ? second : first;
    QProcess& ended = first.state() == QProcess::NotRunning ? first : second;
    EXPECT_EQ(ended.exitCode(), 0) << ended.readAllStandardError().constData();
    EXPECT_EQ(stayed.state(), QProcess::Running);
    ASSERT_TRUE(programs.quitApplication());
    ASSERT_TRUE(ends(stayed));
    EXPECT_EQ(Programs::count(), 2);
}

// Of two app commands handed over together only the first runs. A start of its own always
// kept to that; a start that found the application running handed each address over on its
// own, and the running one ran both.
TEST_P(AppHandOffTest, OfTwoAddressesHandedOverTogetherOnlyTheFirstRuns)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const Programs programs;
    QProcess app;
    if (GetParam().applicationRuns) {
        programs.start(app, kApp, {});
        ASSERT_TRUE(QTest::qWaitFor(&Programs::listening, 20000)) << app.readAllStandardError().constData();
    }
    QStringList addresses;
    for (const QString& name : { QStringLiteral("first.png"), QStringLiteral("second.png") }) {
        addresses << QStringLiteral("TarselPro://qvcommand-8?qvselect=1&qvpath=")
                + QString::fromLatin1(QUrl::toPercentEncoding(writeImage(name), "/"));
    }
    QProcess start;
    programs.start(start, kApp, addresses);
    if (GetParam().applicationRuns) {
        ASSERT_TRUE(ends(start));
        EXPECT_EQ(start.exitCode(), 0) << start.readAllStandardError().constData();
    }

    EXPECT_TRUE(QTest::qWaitFor([] { return Programs::count() >= 1; }, 20000)) << "no picture was set";
    ASSERT_TRUE(programs.quitApplication());
    ASSERT_TRUE(ends(GetParam().applicationRuns ? app : start));
    EXPECT_EQ(Programs::count(), 1) << readFile(Programs::counterFile()).constData();
    EXPECT_TRUE(readFile(Programs::counterFile()).contains("first.png"));
}
