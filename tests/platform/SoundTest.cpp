#include "platform/Sound.h"

#include "platform/Paths.h"
#include "testsupport/FileStatus.h"
#include "testsupport/TestEnvironment.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using platform::Sound;

namespace {

const QString kTick = ":/tarsel/sounds/tarsel-test-tick.wav";

QString cachedTick()
{
    return platform::Paths::cacheHome() + "/tarsel/sounds/tarsel-test-tick.wav";
}

class SoundTest : public testing::Test
{
protected:
    void TearDown() override { Sound::setRecording(false); }
};

} // namespace

TEST_F(SoundTest, RecordingPlaysNothingAndKeepsWhatWasAsked)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + "/ding.wav", tarsel::test::readFile(kTick));
    Sound::setRecording(true);
    EXPECT_TRUE(Sound::playFile(file));
    EXPECT_TRUE(Sound::playNamed("bell"));
    EXPECT_TRUE(Sound::playFile(kTick));
    // Nothing to play: answered false and not recorded.
    EXPECT_FALSE(Sound::playFile(tarsel::test::testHome() + "/missing.wav"));
    EXPECT_FALSE(Sound::playFile(tarsel::test::testHome()));
    EXPECT_FALSE(Sound::playFile(":/tarsel/sounds/missing.wav"));
    EXPECT_FALSE(Sound::playNamed(QString()));
    EXPECT_EQ(Sound::recorded(), QStringList({ file, "name:bell", kTick }));
    // Recording touches no cache.
    EXPECT_FALSE(QFile::exists(cachedTick()));

    Sound::setRecording(false);
    EXPECT_TRUE(Sound::recorded().isEmpty());
    Sound::setRecording(true);
    EXPECT_TRUE(Sound::recorded().isEmpty());
}

TEST_F(SoundTest, ResourcesAreCopiedToTheCacheOnce)
{
    const QString copy = Sound::playablePath(kTick);
    ASSERT_EQ(copy, cachedTick());
    EXPECT_EQ(tarsel::test::readFile(copy), tarsel::test::readFile(kTick));
    const ino_t first = tarsel::test::statOf(copy).st_ino;
    EXPECT_EQ(Sound::playablePath("qrc:/tarsel/sounds/tarsel-test-tick.wav"), copy);
    EXPECT_EQ(tarsel::test::statOf(copy).st_ino, first) << "an up-to-date copy must not be written again";

    // A damaged copy of the same size is replaced.
    QByteArray damaged = tarsel::test::readFile(kTick);
    damaged[damaged.size() - 1] = char(damaged.at(damaged.size() - 1) ^ 0x55);
    tarsel::test::writeFile(copy, damaged);
    EXPECT_EQ(Sound::playablePath(kTick), copy);
    EXPECT_EQ(tarsel::test::readFile(copy), tarsel::test::readFile(kTick));

    const QString plain = tarsel::test::writeFile(tarsel::test::testHome() + "/plain.wav", "RIFF");
    EXPECT_EQ(Sound::playablePath(plain), plain);
    EXPECT_TRUE(Sound::playablePath(":/tarsel/sounds/missing.wav").isEmpty());
    EXPECT_TRUE(Sound::playablePath(QString()).isEmpty());
}

TEST_F(SoundTest, AnUnwritableCacheGivesNoPathInsteadOfAFailure)
{
    // A file where the cache folder should be: no copy can be made (root ignores file modes).
    tarsel::test::writeFile(platform::Paths::cacheHome() + "/tarsel/sounds", "in the way");
    EXPECT_TRUE(Sound::playablePath(kTick).isEmpty());
    EXPECT_FALSE(Sound::playFile(kTick));
}

TEST_F(SoundTest, ConcurrentRecording)
{
    Sound::setRecording(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i) {
                Sound::playNamed(QStringLiteral("n%1").arg(i));
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(Sound::recorded().size(), 8 * 200);
}

TARSEL_TEST_CHILD(soundWithoutServer)
{
    const bool file = Sound::playFile(args.value(0));
    const bool named = Sound::playNamed("bell");
    const bool again = Sound::playFile(args.value(0));
    std::printf("%d%d%d\n", file, named, again);
    return 0;
}

TEST_F(SoundTest, WithoutASoundServerAnswersFalseQuietly)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + "/ding.wav", tarsel::test::readFile(kTick));
    tarsel::test::ScopedEnvironment env;
    // No server where the sound server should be; then a driver that does not exist.
    env.unset("CANBERRA_DRIVER").set("PULSE_SERVER", "unix:/nonexistent/tarsel-pulse");
    const auto noServer = tarsel::test::runChild("soundWithoutServer", { file });
    env.set("CANBERRA_DRIVER", "tarsel-no-such-driver");
    const auto noDriver = tarsel::test::runChild("soundWithoutServer", { file });

    for (const auto& r : { noServer, noDriver }) {
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.out, QByteArray("000\n"));
        // Only Qt's own start-up notes may appear, no sound or ALSA errors.
        EXPECT_FALSE(r.err.contains("sound")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("ALSA")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("canberra")) << r.err.constData();
    }
}

namespace {

// The real sound server without speakers: a PulseAudio daemon of the test's own, with one null
// sink, listening on a socket in the test's private runtime folder.
class PrivateSoundServer
{
public:
    ~PrivateSoundServer()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000)) {
                m_daemon.kill();
                m_daemon.waitForFinished(5000);
            }
        }
    }

    // Empty when the daemon runs; else why it could not start.
    QString start()
    {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) {
            return "pulseaudio is not installed";
        }
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        m_socket = runtime + "/tarsel-test-pulse";
        const QString script
            = tarsel::test::writeFile(tarsel::test::inHome("pulse-test.pa"),
                                      QByteArray("load-module module-null-sink sink_name=tarsel_null\n"
                                                 "load-module module-native-protocol-unix auth-anonymous=1 socket=")
                                          + QFile::encodeName(m_socket) + "\nset-default-sink tarsel_null\n");
        m_daemon.setProgram(program);
        m_daemon.setArguments({ "-n", "--file=" + script, "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--system=no", "--log-target=stderr" });
        m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
        m_daemon.start();
        const bool ready = QTest::qWaitFor(
            [this] { return QFile::exists(m_socket) || m_daemon.state() == QProcess::NotRunning; }, 15000);
        if (!ready || !QFile::exists(m_socket)) {
            return "the PulseAudio daemon did not start: "
                + QString::fromLocal8Bit(m_daemon.readAllStandardError()).right(600);
        }
        return QString();
    }

    QByteArray address() const { return "unix:" + QFile::encodeName(m_socket); }

private:
    QProcess m_daemon;
    QString m_socket;
};

} // namespace

// Plays the files given through the sound server, all at once (the null sink takes about two
// seconds to drain each, however short), and prints one line each, in the given order:
// "<file> <1 when played to its end, else 0> <the server's reason>".
TARSEL_TEST_CHILD(playToTheEnd)
{
    struct Outcome
    {
        std::atomic_bool done { false };
        bool played = false;
        QString error;
    };
    std::vector<std::shared_ptr<Outcome>> outcomes;
    for (const QString& file : args) {
        auto outcome = std::make_shared<Outcome>();
        outcomes.push_back(outcome);
        Sound::playFile(file, [outcome](bool played, const QString& why) {
            outcome->played = played;
            outcome->error = why;
            outcome->done.store(true);
        });
    }
    const bool answered = QTest::qWaitFor(
        [&outcomes] {
            return std::all_of(outcomes.begin(), outcomes.end(), [](const auto& o) { return o->done.load(); });
        },
        30000);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const Outcome& o = *outcomes.at(size_t(i));
        const QString why = o.done.load() ? o.error : "no answer from the sound server";
        std::printf("%s\t%d\t%s\n", qPrintable(args.at(i)), o.done.load() && o.played ? 1 : 0, qPrintable(why));
    }
    return answered ? 0 : 1;
}

// Four of the six feedback sounds were MP3 files, which libcanberra cannot decode ("File or data
// corrupt"): they never played, and the recording fake every other test uses could not tell.
// So every bundled sound goes through the real server and its decoder, to the end of the sound.
TEST_F(SoundTest, EveryBundledSoundPlaysThroughTheRealSoundServer)
{
    PrivateSoundServer server;
    const QString why = server.start();
    if (!why.isEmpty()) {
        GTEST_SKIP() << "no sound server can run here: " << why.toStdString();
    }
    QStringList files;
    QDirIterator it(":/tarsel/sounds", QDir::Files);
    while (it.hasNext()) {
        files << it.next();
    }
    files.sort();
    ASSERT_GE(files.size(), 6) << files.join(QLatin1Char(' ')).toStdString();
    // A file the decoder refuses must fail here, or the check above proves nothing.
    const QString bogus = tarsel::test::writeFile(tarsel::test::inHome("bogus.ogg"),
                                                  QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10).repeated(50));

    tarsel::test::ScopedEnvironment env;
    env.unset("CANBERRA_DRIVER").set("PULSE_SERVER", server.address());
    const auto result = tarsel::test::runChild("playToTheEnd", QStringList(files) << bogus);
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();

    const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), files.size() + 1) << result.out.constData();
    for (qsizetype i = 0; i < files.size(); ++i) {
        EXPECT_EQ(lines.at(i), files.at(i) + "\t1\t") << "not played to its end";
    }
    EXPECT_TRUE(lines.last().startsWith(bogus + "\t0\t")) << lines.last().toStdString();
}
