// The folder of the application's socket, as another account attacks it: whatever it plants,
// a command is delivered to our own application or not at all, never to the other account.

#include "platform/AppChannel.h"
#include "platform/Paths.h"

#include "testsupport/SecondAccount.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <ostream>

using namespace tarsel::test;
using platform::AppChannel;

namespace {

struct Scene
{
    QString shared; // a folder every account may write, like /tmp
    ScopedEnvironment* env;
};

struct SocketCase
{
    const char* name;
    bool needsSecondAccount;
    std::function<void(const Scene&)> prepare; // as us, before anything runs
    std::function<bool(const Scene&)> prepareAsOther; // as the second account
    std::function<QString(const Scene&)> squatterSocket; // where the other account listens
    bool weListen; // our application runs
    const char* refusal; // the reason in the message; null: usable
};

void PrintTo(const SocketCase& c, std::ostream* out)
{
    *out << c.name;
}

// A listening socket at the path, made by the account running it; -1 when it cannot be made.
int listenAt(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || name.size() >= static_cast<int>(sizeof(address.sun_path))) {
        return -1;
    }
    memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()) + 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0) {
        return -1;
    }
    return fd;
}

using AppChannelFolderTest = testing::TestWithParam<SocketCase>;

TEST_P(AppChannelFolderTest, CommandsReachOurApplicationOrNobody)
{
    const SocketCase& c = GetParam();
    QString why;
    if (c.needsSecondAccount && !SecondAccount::available(&why)) {
        GTEST_SKIP() << "no second account: " << why.toStdString();
    }
    ASSERT_EQ(::chmod(QFile::encodeName(testHome()).constData(), 0711), 0);
    const QString shared = testHome() + QStringLiteral("/shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
    ScopedEnvironment env;
    // Without a session runtime folder; the shared folder is where Qt puts relative socket names.
    env.unset("XDG_RUNTIME_DIR").set("TMPDIR", QFile::encodeName(shared));
    const Scene scene { shared, &env };
    if (c.prepare) {
        c.prepare(scene);
    }
    if (c.prepareAsOther) {
        ASSERT_EQ(SecondAccount::run([&] { return c.prepareAsOther(scene) ? 0 : 1; }), 0);
    }
    std::unique_ptr<SecondAccount::Background> squatter;
    if (c.squatterSocket) {
        const QString at = c.squatterSocket(scene);
        int fd = -1;
        // Its teardown answers 1 when anyone connected to it.
        squatter = std::make_unique<SecondAccount::Background>(
            [&fd, at] { return (fd = listenAt(at)) >= 0; },
            [&fd] { return ::accept(fd, nullptr, nullptr) >= 0 ? 1 : 0; });
        ASSERT_TRUE(squatter->ok()) << "the other account cannot listen at " << at.toStdString();
    }

    AppChannel ours;
    QString listenError;
    const bool listening = c.weListen && ours.listen(&listenError);
    QSignalSpy received(&ours, &AppChannel::messageReceived);
    QString sendError;
    const bool sent = AppChannel::send("TarselPro://qvcommand-11?qvselect=1&qvpath=/secret", 2000, &sendError);

    if (c.refusal != nullptr) {
        EXPECT_FALSE(sent);
        EXPECT_TRUE(sendError.startsWith(QStringLiteral("Failed to use the socket folder. File: \"")))
            << sendError.toStdString();
        EXPECT_TRUE(sendError.contains(QLatin1String(c.refusal))) << sendError.toStdString();
        EXPECT_FALSE(listening);
        if (c.weListen) {
            EXPECT_EQ(listenError, sendError);
        }
    } else {
        EXPECT_EQ(sent, c.weListen) << sendError.toStdString();
        EXPECT_EQ(listening, c.weListen) << listenError.toStdString();
        if (c.weListen) {
            ASSERT_TRUE(received.count() > 0 || received.wait(5000));
            EXPECT_EQ(received.at(0).at(0).toByteArray(),
                      QByteArray("TarselPro://qvcommand-11?qvselect=1&qvpath=/secret"));
        }
        // The folder is ours alone.
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(AppChannel::socketFolder()).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_mode & 077, 0u);
        EXPECT_FALSE(AppChannel::socketName().startsWith(shared));
    }
    if (squatter) {
        EXPECT_EQ(squatter->finish(), 0) << "the other account was handed our command";
    }
}

QString userSocket(const QString& folder)
{
    return folder + QStringLiteral("/tarsel-") + platform::Paths::userName();
}

// The fault: without XDG_RUNTIME_DIR the socket was "tarsel-<user>" in the shared temporary
// folder, so another account that listened there first was handed every command (and the
// paths in it) while our application was not running.
const SocketCase kSocketCases[] = {
    { "SquatterAtTheSharedTemporaryFolder",
      true,
      {},
      {},
      [](const Scene& s) { return userSocket(s.shared); },
      false,
      nullptr },
    { "OurApplicationGetsTheCommand",
      true,
      {},
      {},
      [](const Scene& s) { return userSocket(s.shared); },
      true,
      nullptr },
    { "FallbackFolderMadeByAnotherAccount", true,
      [](const Scene& s) { s.env->set("XDG_CACHE_HOME", QFile::encodeName(s.shared + QStringLiteral("/cache"))); },
      [](const Scene& s) { return QDir().mkpath(s.shared + QStringLiteral("/cache/tarsel/socket")); },
      [](const Scene& s) { return userSocket(s.shared + QStringLiteral("/cache/tarsel/socket")); }, true,
      "it belongs to another account" },
    { "RuntimeFolderOfAnotherAccount",
      true,
      [](const Scene& s) { s.env->set("XDG_RUNTIME_DIR", QFile::encodeName(s.shared + QStringLiteral("/run"))); },
      [](const Scene& s) {
          return ::mkdir(QFile::encodeName(s.shared + QStringLiteral("/run")).constData(), 0700) == 0;
      },
      {},
      true,
      "it belongs to another account" },
    { "OurFolderOpenToOthers",
      false,
      [](const Scene&) {
          const QByteArray folder = QFile::encodeName(platform::Paths::cacheHome() + QStringLiteral("/tarsel/socket"));
          QDir().mkpath(QFile::decodeName(folder));
          ::chmod(folder.constData(), 0755);
      },
      {},
      {},
      true,
      "other accounts may open it (mode 0755)" },
    { "SocketFolderIsALink",
      false,
      [](const Scene&) {
          const QString own = platform::Paths::cacheHome() + QStringLiteral("/elsewhere");
          QDir().mkpath(own);
          ::chmod(QFile::encodeName(own).constData(), 0700);
          QDir().mkpath(platform::Paths::cacheHome() + QStringLiteral("/tarsel"));
          QFile::link(own, platform::Paths::cacheHome() + QStringLiteral("/tarsel/socket"));
      },
      {},
      {},
      true,
      "it is not a folder" },
};

INSTANTIATE_TEST_SUITE_P(Cases, AppChannelFolderTest, testing::ValuesIn(kSocketCases),
                         [](const testing::TestParamInfo<SocketCase>& info) { return std::string(info.param.name); });

} // namespace

// A sender that never ends its line used to be buffered without limit: any local program of the
// user could make the application grow until it died. It is cut off once it passes the limit,
// nothing of it is delivered, and the next sender is heard as before.
TEST(AppChannelLimitTest, AMessageBeyondTheLimitIsCutOffAndNeverDelivered)
{
    AppChannel channel;
    ASSERT_TRUE(channel.listen());
    QSignalSpy received(&channel, &AppChannel::messageReceived);

    QLocalSocket flood;
    flood.connectToServer(AppChannel::socketName());
    ASSERT_TRUE(flood.waitForConnected(2000));
    QSignalSpy cutOff(&flood, &QLocalSocket::disconnected);
    const QByteArray chunk(64 * 1024, 'a');
    for (qint64 sent = 0; sent <= AppChannel::kMaxMessageSize && flood.state() == QLocalSocket::ConnectedState;
         sent += chunk.size()) {
        flood.write(chunk);
        flood.flush();
        QCoreApplication::processEvents();
    }
    flood.write(chunk);
    flood.flush();
    EXPECT_TRUE(cutOff.count() > 0 || cutOff.wait(5000));

    ASSERT_TRUE(AppChannel::send("TarselPro://qvcommand-10"));
    ASSERT_TRUE(received.count() > 0 || received.wait(5000));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toByteArray(), QByteArray("TarselPro://qvcommand-10"));
}

// A command handed over may open a modal window while its message is being handled; in that
// window's event loop the sender goes away and its connection is deleted. Reading on from the
// deleted connection used to end the application (Compress with Password, after its save panel).
TEST(AppChannelLimitTest, AMessageHandledInAWindowsEventLoopOutlivesItsSender)
{
    AppChannel channel;
    ASSERT_TRUE(channel.listen());
    QList<QByteArray> received;
    QObject::connect(&channel, &AppChannel::messageReceived, [&received, &channel](const QByteArray& message) {
        received << message;
        if (received.size() == 1) {
            // As a modal panel does: the event loop turns until the user answers, and meanwhile
            // the sender has gone and its connection is deleted.
            QEventLoop loop;
            QTimer::singleShot(200, &loop, &QEventLoop::quit);
            loop.exec();
            qDeleteAll(channel.findChildren<QLocalSocket*>());
        }
    });

    QLocalSocket sender;
    sender.connectToServer(AppChannel::socketName());
    ASSERT_TRUE(sender.waitForConnected(2000));
    sender.write("TarselPro://qvcommand-11\nTarselPro://qvcommand-12\n");
    ASSERT_TRUE(sender.waitForBytesWritten(2000));
    sender.disconnectFromServer();

    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000)) << received.size();
    EXPECT_EQ(received, QList<QByteArray>({ "TarselPro://qvcommand-11", "TarselPro://qvcommand-12" }));
}
