#include "platform/Sound.h"

#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/System.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QSaveFile>

#include <canberra.h>

#include <memory>

#include "platform/LateLibrary.h"

// libcanberra is opened on first use: these names call through platform/LateLibrary.h.
#define ca_context_change_props TARSEL_LATE(platform::canberraLibrary, ca_context_change_props)
#define ca_context_create TARSEL_LATE(platform::canberraLibrary, ca_context_create)
#define ca_context_destroy TARSEL_LATE(platform::canberraLibrary, ca_context_destroy)
#define ca_context_open TARSEL_LATE(platform::canberraLibrary, ca_context_open)
#define ca_context_play TARSEL_LATE(platform::canberraLibrary, ca_context_play)
#define ca_context_play_full TARSEL_LATE(platform::canberraLibrary, ca_context_play_full)
#define ca_context_set_driver TARSEL_LATE(platform::canberraLibrary, ca_context_set_driver)
#define ca_proplist_create TARSEL_LATE(platform::canberraLibrary, ca_proplist_create)
#define ca_proplist_destroy TARSEL_LATE(platform::canberraLibrary, ca_proplist_destroy)
#define ca_proplist_sets TARSEL_LATE(platform::canberraLibrary, ca_proplist_sets)
#define ca_strerror TARSEL_LATE(platform::canberraLibrary, ca_strerror)

Q_LOGGING_CATEGORY(lcSound, "tarsel.platform.sound", QtWarningMsg)

namespace platform {

namespace {

struct SoundState
{
    QMutex mutex;
    ca_context* context = nullptr;
    bool contextFailed = false;
    bool recording = false;
    QStringList recorded;

    ~SoundState()
    {
        if (context) {
            ca_context_destroy(context);
        }
    }
};

SoundState& state()
{
    static SoundState s;
    return s;
}

bool isResource(const QString& path)
{
    return path.startsWith(QLatin1String(":/")) || path.startsWith(QLatin1String("qrc:/"));
}

QString resourceFilePath(const QString& path)
{
    return path.startsWith(QLatin1String("qrc:/")) ? path.mid(3) : path;
}

// The context is opened on first use. Without a sound server opening fails; that is remembered,
// so later calls answer false at once and nothing is logged again.
ca_context* contextLocked(SoundState& s)
{
    if (s.context || s.contextFailed) {
        return s.context;
    }
    ca_context* context = nullptr;
    int rc = ca_context_create(&context);
    if (rc == CA_SUCCESS) {
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Tarsel", CA_PROP_APPLICATION_ID,
                                System::bundleIdentifier().toUtf8().constData(), nullptr);
        // Only a sound server (PulseAudio, or PipeWire's Pulse service) counts: libcanberra's raw
        // ALSA output on a machine without one "opens" and then writes ALSA errors to stderr on
        // every sound. CANBERRA_DRIVER still chooses another driver.
        if (qEnvironmentVariableIsEmpty("CANBERRA_DRIVER")) {
            rc = ca_context_set_driver(context, "pulse");
        }
    }
    if (rc == CA_SUCCESS) {
        rc = ca_context_open(context);
    }
    if (rc != CA_SUCCESS) {
        qCDebug(lcSound) << "no sound output:" << ca_strerror(rc);
        if (context) {
            ca_context_destroy(context);
        }
        s.contextFailed = true;
        return nullptr;
    }
    s.context = context;
    return context;
}

// Asks for one sound with a single property; false when no sound server took it.
bool play(const char* property, const QString& value)
{
    SoundState& s = state();
    QMutexLocker lock(&s.mutex);
    ca_context* context = contextLocked(s);
    if (!context) {
        return false;
    }
    const int rc = ca_context_play(context, 0, property, value.toUtf8().constData(), nullptr);
    if (rc != CA_SUCCESS) {
        qCDebug(lcSound) << "could not play" << value << ca_strerror(rc);
    }
    return rc == CA_SUCCESS;
}

// libcanberra calls this once per sound that it started, from its own thread.
void finishedCallback(ca_context*, uint32_t, int errorCode, void* userdata)
{
    std::unique_ptr<Sound::Finished> finished(static_cast<Sound::Finished*>(userdata));
    (*finished)(errorCode == CA_SUCCESS,
                errorCode == CA_SUCCESS ? QString() : QString::fromUtf8(ca_strerror(errorCode)));
}

// Plays a file and reports how it ended. The server opens and decodes the file before the call
// returns, so a file it cannot read fails here, with its reason.
bool playWithFinish(const QString& file, Sound::Finished finished)
{
    SoundState& s = state();
    QMutexLocker lock(&s.mutex);
    ca_context* context = contextLocked(s);
    if (!context) {
        lock.unlock();
        finished(false, QStringLiteral("no sound server"));
        return false;
    }
    ca_proplist* props = nullptr;
    int rc = ca_proplist_create(&props);
    if (rc == CA_SUCCESS) {
        rc = ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, file.toUtf8().constData());
    }
    auto owned = std::make_unique<Sound::Finished>(std::move(finished));
    if (rc == CA_SUCCESS) {
        rc = ca_context_play_full(context, 0, props, finishedCallback, owned.get());
    }
    if (props) {
        ca_proplist_destroy(props);
    }
    if (rc == CA_SUCCESS) {
        owned.release(); // the callback owns it now
        return true;
    }
    // libcanberra calls back only for sounds it started.
    qCDebug(lcSound) << "could not play" << file << ca_strerror(rc);
    lock.unlock();
    (*owned)(false, QString::fromUtf8(ca_strerror(rc)));
    return false;
}

} // namespace

QString Sound::playablePath(const QString& path)
{
    if (path.isEmpty()) {
        return QString();
    }
    if (!isResource(path)) {
        const QFileInfo info(path);
        return info.isFile() ? info.absoluteFilePath() : QString();
    }
    // A sound server reads files, not our compiled-in resources: copy the file out once.
    QFile resource(resourceFilePath(path));
    if (!resource.exists()) {
        return QString();
    }
    if (!resource.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QByteArray data = resource.readAll();
    const QString folder = Paths::cacheHome() + QStringLiteral("/tarsel/sounds");
    const QString target = folder + QLatin1Char('/') + QFileInfo(resource.fileName()).fileName();
    QFile cached(target);
    if (cached.size() == data.size() && cached.open(QIODevice::ReadOnly) && cached.readAll() == data) {
        return target;
    }
    if (!Paths::ensureFolder(folder)) {
        return QString();
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        qCWarning(lcSound).noquote() << posix::failureMessage(QStringLiteral("copy a sound"), target,
                                                              out.errorString());
        return QString();
    }
    return target;
}

namespace {

// While the recorder is on, a file is recorded instead of played; answers whether it was
// recording, and in `exists` whether the file is there.
bool recordedInstead(const QString& path, bool* exists)
{
    SoundState& s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.recording) {
        return false;
    }
    *exists = isResource(path) ? QFile::exists(resourceFilePath(path)) : QFileInfo(path).isFile();
    if (*exists) {
        s.recorded << path;
    }
    return true;
}

} // namespace

bool Sound::playFile(const QString& path)
{
    bool exists = false;
    if (recordedInstead(path, &exists)) {
        return exists;
    }
    const QString file = playablePath(path);
    return !file.isEmpty() && play(CA_PROP_MEDIA_FILENAME, file);
}

bool Sound::playFile(const QString& path, Finished finished)
{
    if (!finished) {
        return playFile(path);
    }
    bool exists = false;
    if (recordedInstead(path, &exists)) {
        finished(exists, exists ? QString() : QStringLiteral("no such file"));
        return exists;
    }
    const QString file = playablePath(path);
    if (file.isEmpty()) {
        finished(false, QStringLiteral("no such file"));
        return false;
    }
    return playWithFinish(file, std::move(finished));
}

bool Sound::playNamed(const QString& name)
{
    if (name.isEmpty()) {
        return false;
    }
    {
        SoundState& s = state();
        QMutexLocker lock(&s.mutex);
        if (s.recording) {
            s.recorded << QStringLiteral("name:") + name;
            return true;
        }
    }
    return play(CA_PROP_EVENT_ID, name);
}

void Sound::setRecording(bool on)
{
    SoundState& s = state();
    QMutexLocker lock(&s.mutex);
    s.recording = on;
    s.recorded.clear();
}

QStringList Sound::recorded()
{
    SoundState& s = state();
    QMutexLocker lock(&s.mutex);
    return s.recorded;
}

} // namespace platform
