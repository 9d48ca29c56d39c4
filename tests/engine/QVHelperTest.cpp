#include "engine/service/QVHelper.h"

#include "foundation/ObjectGCD.h"
#include "platform/Defaults.h"
#include "platform/Sound.h"
#include "platform/System.h"

#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace {

class QVHelperSoundTest : public testing::Test
{
protected:
    void SetUp() override { platform::Sound::setRecording(true); }
    void TearDown() override { platform::Sound::setRecording(false); }

    static void setSoundSwitch(bool on)
    {
        ASSERT_TRUE(platform::Defaults::suite(platform::System::kGroupId).setValue(QStringLiteral("pref check9"), on));
    }

    // The background queue is serial: once a job queued now has run, every earlier one has.
    static bool drainBackgroundQueue()
    {
        auto done = std::make_shared<std::atomic_bool>(false);
        qv::enterBackground([done] { done->store(true); });
        return QTest::qWaitFor([done] { return done->load(); }, 10000);
    }

    // The file names of what was played, in order.
    static QStringList playedNames()
    {
        QStringList names;
        for (const QString& path : platform::Sound::recorded()) {
            names.append(QFileInfo(path).fileName());
        }
        return names;
    }
};

} // namespace

TEST_F(QVHelperSoundTest, EachCodePlaysItsSoundInRequestOrder)
{
    setSoundSwitch(true);
    for (int code : { 0, 1, 2, 4, 5, 3, 7, -1 }) {
        QVHelper::playSoundType(code);
    }
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_EQ(playedNames(),
              (QStringList { QStringLiteral("ok.mp3"), QStringLiteral("new.wav"), QStringLiteral("fold.mp3"),
                             QStringLiteral("error.wav"), QStringLiteral("dingd.mp3"), QStringLiteral("copy.mp3"),
                             QStringLiteral("copy.mp3"), QStringLiteral("copy.mp3") }));
}

TEST_F(QVHelperSoundTest, SwitchOffPlaysNothing)
{
    // Absent counts as off.
    QVHelper::playSoundType(QVHelper::SoundOk);
    setSoundSwitch(false);
    QVHelper::playSoundType(QVHelper::SoundError);
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_TRUE(platform::Sound::recorded().isEmpty()) << playedNames().join(QLatin1Char(',')).toStdString();
}

TEST_F(QVHelperSoundTest, SwitchIsReadAtEachRequest)
{
    setSoundSwitch(true);
    QVHelper::playSoundType(QVHelper::SoundNew);
    setSoundSwitch(false);
    QVHelper::playSoundType(QVHelper::SoundFold);
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_EQ(playedNames(), QStringList { QStringLiteral("new.wav") });
}
