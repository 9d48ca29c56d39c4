#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

/// Short feedback sounds. Plays a sound file (or a named desktop sound) through libcanberra
/// when a sound server is there, and does nothing otherwise. Tests switch on recording, which
/// plays nothing and keeps the list of what would have been played.
class Sound final
{
public:
    Sound() = delete;

    /// Plays the file at the path (a Qt resource path is copied to the cache first); false
    /// when nothing could be played.
    static bool playFile(const QString& path);

    /// How a sound ended: played to its end, or the sound server's reason why not.
    using Finished = std::function<void(bool played, const QString& error)>;
    /// As playFile, and calls finished exactly once: from the sound server's own thread when the
    /// sound has played to its end or the server gave up on it, or before returning when nothing
    /// could be started (no file, no server, a file the server cannot decode). finished must not
    /// play sounds itself. Recording answers at once with played = whether the file exists.
    static bool playFile(const QString& path, Finished finished);
    /// The local file playFile plays for a path: the file itself, or for a Qt resource its copy
    /// in cacheHome()/tarsel/sounds (written when missing or different); empty when missing.
    static QString playablePath(const QString& path);

    /// Plays a sound of the desktop sound theme by name.
    static bool playNamed(const QString& name);

    static void setRecording(bool on);
    /// What was asked to play since recording started: file paths and "name:" + theme names.
    static QStringList recorded();
};

} // namespace platform
