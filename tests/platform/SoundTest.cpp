#include "platform/Sound.h"

#include "platform/Paths.h"
#include "testsupport/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <vector>

using platform::Sound;

namespace {

const QString kTick = QStringLiteral(":/tarsel/sounds/tarsel-test-tick.wav");

QString cachedTick()
{
    return platform::Paths::cacheHome() + QStringLiteral("/tarsel/sounds/tarsel-test-tick.wav");
}

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

class SoundTest : public testing::Test
{
protected:
    void TearDown() override { Sound::setRecording(false); }
};

} // namespace

TEST_F(SoundTest, RecordingPlaysNothingAndKeepsWhatWasAsked)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/ding.wav"),
                                                 tarsel::test::readFile(kTick));
    Sound::setRecording(true);
    EXPECT_TRUE(Sound::playFile(file));
    EXPECT_TRUE(Sound::playNamed(QStringLiteral("bell")));
    EXPECT_TRUE(Sound::playFile(kTick));
    // Nothing to play: answered false and not recorded.
    EXPECT_FALSE(Sound::playFile(tarsel::test::testHome() + QStringLiteral("/missing.wav")));
    EXPECT_FALSE(Sound::playFile(tarsel::test::testHome()));
    EXPECT_FALSE(Sound::playFile(QStringLiteral(":/tarsel/sounds/missing.wav")));
    EXPECT_FALSE(Sound::playNamed(QString()));
    EXPECT_EQ(Sound::recorded(), QStringList({ file, QStringLiteral("name:bell"), kTick }));
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
    const ino_t first = inodeOf(copy);
    EXPECT_EQ(Sound::playablePath(QStringLiteral("qrc:/tarsel/sounds/tarsel-test-tick.wav")), copy);
    EXPECT_EQ(inodeOf(copy), first) << "an up-to-date copy must not be written again";

    // A damaged copy of the same size is replaced.
    QByteArray damaged = tarsel::test::readFile(kTick);
    damaged[damaged.size() - 1] = char(damaged.at(damaged.size() - 1) ^ 0x55);
    tarsel::test::writeFile(copy, damaged);
    EXPECT_EQ(Sound::playablePath(kTick), copy);
    EXPECT_EQ(tarsel::test::readFile(copy), tarsel::test::readFile(kTick));

    const QString plain = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/plain.wav"), "RIFF");
    EXPECT_EQ(Sound::playablePath(plain), plain);
    EXPECT_TRUE(Sound::playablePath(QStringLiteral(":/tarsel/sounds/missing.wav")).isEmpty());
    EXPECT_TRUE(Sound::playablePath(QString()).isEmpty());
}

TEST_F(SoundTest, AnUnwritableCacheGivesNoPathInsteadOfAFailure)
{
    // A file where the cache folder should be: no copy can be made (root ignores file modes).
    tarsel::test::writeFile(platform::Paths::cacheHome() + QStringLiteral("/tarsel/sounds"), "in the way");
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
    const bool named = Sound::playNamed(QStringLiteral("bell"));
    const bool again = Sound::playFile(args.value(0));
    std::printf("%d%d%d\n", file, named, again);
    return 0;
}

TEST_F(SoundTest, WithoutASoundServerAnswersFalseQuietly)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/ding.wav"),
                                                 tarsel::test::readFile(kTick));
    tarsel::test::ScopedEnvironment env;
    // No server where the sound server should be; then a driver that does not exist.
    env.unset("CANBERRA_DRIVER").set("PULSE_SERVER", "unix:/nonexistent/tarsel-pulse");
    const auto noServer = tarsel::test::runChild(QStringLiteral("soundWithoutServer"), { file });
    env.set("CANBERRA_DRIVER", "tarsel-no-such-driver");
    const auto noDriver = tarsel::test::runChild(QStringLiteral("soundWithoutServer"), { file });

    for (const auto& r : { noServer, noDriver }) {
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.out, QByteArray("000\n"));
        // Only Qt's own start-up notes may appear, no sound or ALSA errors.
        EXPECT_FALSE(r.err.contains("sound")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("ALSA")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("canberra")) << r.err.constData();
    }
}
