#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// Reads the CLIPBOARD selection of the X display named by $DISPLAY on a connection of its own,
/// asking its owner for every wanted type at once: the owner answers all of them when it is next
/// scheduled, where reading one type after another (as QClipboard does, the list of types
/// first) costs a turn of the owner's process for each. The wait wakes on the owner's answers
/// (SelectionNotify), never on a clock.
///
/// Main thread only. It serves a reader that knows another program owns the selection (a file
/// manager that has just copied): a selection this process owns would be asked of itself, and
/// time out.
class X11Selection final
{
public:
    /// MIME type to its bytes; "text/plain" is asked for as UTF-8 text.
    using Formats = QMap<QString, QByteArray>;

    /// How long the owner has to answer.
    static constexpr int kAnswerTimeoutMs = 1000;
    /// The largest answer read here; a larger one, or one sent in pieces (INCR), is left to the
    /// caller's other way of reading.
    static constexpr int kMaxBytes = 1 << 22;

    enum class Outcome {
        Read, ///< the owner answered every type (the ones it has not got are left out)
        NoAnswer, ///< the owner did not answer in time: it holds nothing readable
        NotHere, ///< not read here: no display, or an answer too large or in pieces
    };

    /// Reads the types from the clipboard's current owner into *formats.
    static Outcome readClipboard(const QStringList& types, Formats* formats, int timeoutMs = kAnswerTimeoutMs);
};

} // namespace platform
