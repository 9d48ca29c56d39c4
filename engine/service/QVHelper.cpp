#include "engine/service/QVHelper.h"

#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/System.h"

namespace {

const QString kSoundSwitchKey = QStringLiteral("pref check9");

struct SoundResource {
    QString name;
    QString type;
};

SoundResource soundResource(int type)
{
    switch (type) {
    case QVHelper::SoundOk:
        return { QStringLiteral("ok"), QStringLiteral("mp3") };
    case QVHelper::SoundNew:
        return { QStringLiteral("new"), QStringLiteral("wav") };
    case QVHelper::SoundFold:
        return { QStringLiteral("fold"), QStringLiteral("mp3") };
    case QVHelper::SoundError:
        return { QStringLiteral("error"), QStringLiteral("wav") };
    case QVHelper::SoundDing:
        return { QStringLiteral("dingd"), QStringLiteral("mp3") };
    default:
        return { QStringLiteral("copy"), QStringLiteral("mp3") };
    }
}

} // namespace

void QVHelper::playSoundType(int type)
{
    if (!platform::Defaults::suite(platform::System::kGroupId).boolValue(kSoundSwitchKey)) {
        return;
    }
    const SoundResource sound = soundResource(type);
    qv::enterBackground([sound] {
        const QString path = platform::Bundle::resourcePath(sound.name, sound.type);
        if (!path.isEmpty()) {
            qv::play(path);
        }
    });
}
