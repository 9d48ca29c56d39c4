#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

/// Steps taken once per login session of the user, not once per process: every tarsel-finder
/// call is a process of its own, and the application is another.
///
/// A step is claimed through a marker file in the user's runtime folder (Paths::runtimeFolder()).
/// $XDG_RUNTIME_DIR is removed at logout, so a marker there lasts exactly as long as the
/// session. Without it the marker lives in a private folder (0700) that survives the session
/// and holds the session's key (sessionKey()): a marker of another key is an earlier session's.
class LoginSession final
{
public:
    LoginSession() = delete;

    /// True for the first claim of that step in this login session, in any process; false for
    /// every later one. Also false, with a message, when the marker cannot be kept (a folder or
    /// marker that is not the user's own, a link, an error): a step that cannot be told apart
    /// from an earlier one is not repeated.
    static bool claimOnce(const QString& step, QString* error = nullptr);
    /// The session's key written into the marker: the kernel's boot id, and $XDG_SESSION_ID
    /// where no session runtime folder exists.
    static QByteArray sessionKey();
};

} // namespace platform
