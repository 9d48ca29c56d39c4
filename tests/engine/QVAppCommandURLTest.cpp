#include "engine/model/QVAppCommandURL.h"
#include "platform/AppChannel.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace {

QUrl file(const char* path)
{
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}

// The receiver's reading of a query: split at every "&", each piece at every "=", keep pieces of
// exactly two parts, percent-decode the values.
QList<QByteArray> receivedPaths(const QString& address)
{
    QList<QByteArray> paths;
    const QByteArray query = address.toLatin1().mid(address.indexOf(QLatin1Char('?')) + 1);
    for (const QByteArray& piece : query.split('&')) {
        const QList<QByteArray> parts = piece.split('=');
        if (parts.size() == 2 && parts[0] == "qvpath") {
            paths << QByteArray::fromPercentEncoding(parts[1]);
        }
    }
    return paths;
}

// The per-user socket lies in the test's private runtime folder, so parallel tests never meet.
class AppCommandChannelTest : public testing::Test
{
protected:
    void TearDown() override { platform::Workspace::setLauncher({}); }
};

} // namespace

TEST(QVAppCommandURLTest, FormatsMethodSelectionAndPathsInOrder)
{
    EXPECT_EQ(QVAppCommandURL::urlStringWithMethod(14, { file("/Users/a/My Folder") }, true),
              QStringLiteral("TarselPro://qvcommand-14?qvselect=1&qvpath=/Users/a/My%20Folder"));
    EXPECT_EQ(QVAppCommandURL::urlStringWithMethod(10, {}, false),
              QStringLiteral("TarselPro://qvcommand-10?qvselect=0"));
    EXPECT_EQ(QVAppCommandURL::urlStringWithMethod(7, { file("/b"), file("/a") }, true),
              QStringLiteral("TarselPro://qvcommand-7?qvselect=1&qvpath=/b&qvpath=/a"));
    // Non-ASCII characters become their UTF-8 bytes; slashes stay.
    EXPECT_EQ(QVAppCommandURL::urlStringWithMethod(15, { file("/t/caf\xc3\xa9.txt") }, true),
              QStringLiteral("TarselPro://qvcommand-15?qvselect=1&qvpath=/t/caf%C3%A9.txt"));
}

TEST(QVAppCommandURLTest, QuerySeparatorsInsideAPathReachTheReceiverWhole)
{
    // An unescaped "&" or "=" would cut the path short or drop it at the receiver.
    const QList<QByteArray> names = { "/tmp/R&D=final #2+x 100%.txt", "/tmp/a?b;c@d$e,f'g(h)*~!.txt", "/tmp/%41%25" };
    QList<QUrl> urls;
    for (const QByteArray& name : names) {
        urls << QUrl::fromLocalFile(QString::fromUtf8(name));
    }
    const QString address = QVAppCommandURL::urlStringWithMethod(14, urls, true);
    EXPECT_FALSE(address.contains(QLatin1Char('#')));
    EXPECT_FALSE(address.contains(QLatin1Char('+')));
    EXPECT_EQ(receivedPaths(address), names);
}

TEST(QVAppCommandURLTest, NamesThatAreNotUtf8RoundTripByteForByte)
{
    const QUrl url = QUrl::fromEncoded("file:///tmp/%FF%FEraw%E9.txt", QUrl::StrictMode);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(QVAppCommandURL::encodedPath(url), QByteArray("/tmp/%FF%FEraw%E9.txt"));
    const QString address = QVAppCommandURL::urlStringWithMethod(15, { url }, true);
    EXPECT_EQ(receivedPaths(address), QList<QByteArray>({ QByteArray("/tmp/\xff\xferaw\xe9.txt") }));
}

TEST_F(AppCommandChannelTest, WithoutAListenerTheApplicationIsStartedWithTheAddress)
{
    QStringList launched;
    platform::Workspace::setLauncher([&](const QString& program, const QStringList& args) {
        launched << program << args;
        return true;
    });
    EXPECT_TRUE(QVAppCommandURL::openMainAppWithMethod(12, { file("/tmp/x") }, true));
    ASSERT_EQ(launched.size(), 2);
    EXPECT_TRUE(launched[0].endsWith(QLatin1String("Tarsel")));
    EXPECT_EQ(launched[1], QStringLiteral("TarselPro://qvcommand-12?qvselect=1&qvpath=/tmp/x"));

    launched.clear();
    EXPECT_TRUE(QVAppCommandURL::openMainApp());
    EXPECT_EQ(launched.size(), 1);

    platform::Workspace::setLauncher([](const QString&, const QStringList&) { return false; });
    EXPECT_FALSE(QVAppCommandURL::openMainAppWithMethod(12, {}, false));
}

TARSEL_TEST_CHILD(sendAppCommand)
{
    platform::Workspace::setLauncher([](const QString&, const QStringList&) { return false; });
    return QVAppCommandURL::openMainAppWithMethod(11, { QUrl::fromLocalFile(args.value(0)) }, true) ? 0 : 1;
}

TEST_F(AppCommandChannelTest, ARunningApplicationReceivesTheAddressFromAnotherProcess)
{
    platform::AppChannel channel;
    ASSERT_TRUE(channel.listen());
    // A second listener for the same user is refused while the first lives.
    platform::AppChannel second;
    EXPECT_FALSE(second.listen());

    QSignalSpy received(&channel, &platform::AppChannel::messageReceived);
    const tarsel::test::ChildResult child
        = tarsel::test::runChild(QStringLiteral("sendAppCommand"), { QStringLiteral("/tmp/a&b") });
    EXPECT_EQ(child.exitCode, 0) << child.err.constData();
    ASSERT_TRUE(received.count() > 0 || received.wait(5000));
    EXPECT_EQ(received.at(0).at(0).toByteArray(), QByteArray("TarselPro://qvcommand-11?qvselect=1&qvpath=/tmp/a%26b"));
}

// The receiver's reading of an address, as the application takes it from its argument or socket.
struct ParseCase
{
    const char* name; ///< what the row checks, its test name
    const char* address;
    bool isCommand;
    qint64 method;
    std::optional<bool> isSelectURL;
    QList<QByteArray> paths;
};

using QVAppCommandURLParseTest = testing::TestWithParam<ParseCase>;

TEST_P(QVAppCommandURLParseTest, ReadsMethodSelectionAndPaths)
{
    const ParseCase& c = GetParam();
    const auto command = QVAppCommandURL::parse(QByteArray(c.address));
    ASSERT_EQ(command.has_value(), c.isCommand);
    if (!command) {
        return;
    }
    EXPECT_EQ(command->method, c.method);
    EXPECT_EQ(command->isSelectURL, c.isSelectURL);
    QList<QByteArray> paths;
    for (const QUrl& url : command->selectURLs) {
        EXPECT_TRUE(url.isLocalFile());
        paths << QByteArray::fromPercentEncoding(QVAppCommandURL::encodedPath(url));
    }
    EXPECT_EQ(paths, c.paths);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QVAppCommandURLParseTest,
    testing::Values(ParseCase { "CommandWithSelectionAndPath",
                                "TarselPro://qvcommand-14?qvselect=1&qvpath=%2FUsers%2Fa%2FDesktop",
                                true,
                                14,
                                true,
                                { "/Users/a/Desktop" } },
                    ParseCase { "SchemeIsCaseSensitive", "tarselpro://qvcommand-14?qvselect=1", false, 0, {}, {} },
                    ParseCase { "NotACommandHost", "TarselPro://other-14?qvselect=1", false, 0, {}, {} },
                    ParseCase { "MethodWithoutQuery", "TarselPro://qvcommand-10", true, 10, {}, {} },
                    ParseCase { "MethodNotANumber", "TarselPro://qvcommand-x?qvselect=0", true, 0, false, {} },
                    ParseCase { "MethodBeyondSixtyFourBits",
                                "TarselPro://qvcommand-99999999999999999999999",
                                true,
                                std::numeric_limits<qint64>::max(),
                                {},
                                {} },
                    // A literal "=" splits into three parts; empty, relative and NUL paths add nothing.
                    ParseCase { "OddPathsLeftOut",
                                "TarselPro://qvcommand-15?qvpath=/a=b&qvpath=&qvpath=rel&qvpath=/n%00ul&qvpath=/ok",
                                true,
                                15,
                                {},
                                { "/ok" } },
                    // A broken escape used to decode to its literal text ("/ok%zz", "/a%4"): a name
                    // the sender never meant, which a command could then create or act on.
                    ParseCase { "BrokenEscapesLeftOut",
                                "TarselPro://qvcommand-14?qvpath=/ok%zz&qvpath=/a%4&qvpath=/b%&qvpath=/c%41",
                                true,
                                14,
                                {},
                                { "/cA" } },
                    // Bytes that are not UTF-8 arrive as they were sent.
                    ParseCase { "BytesNotUtf8KeptAsSent",
                                "TarselPro://qvcommand-7?qvselect=1&qvpath=/t/R%26D%3D%FF.txt#frag",
                                true,
                                7,
                                true,
                                { "/t/R&D=\xff.txt" } }),
    tarsel::test::caseName<ParseCase>);
