#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace platform {

/// Keeps what Tarsel copies pasteable after the copying process has ended.
///
/// On X11 the clipboard holds no data of its own: the owner of the CLIPBOARD selection answers
/// every paste, and the selection is gone when its owner exits. The file-manager host exits
/// right after the click, so the pasteboard hands what it copies to a holder: the small
/// program "tarsel-clipboard" (kProgramName), started detached in a session of its own. It
/// takes the selection, serves the formats it was given until another owner takes the
/// selection (the next copy, by Tarsel or anyone else), and then exits, so at most one holder
/// lives and it never outlasts the next copy. It also exits with the display.
///
/// The holder is looked up beside the running program (the build's bin folder), then where an
/// installation keeps it (libexec/tarsel beside the program's bin folder), then on PATH.
class ClipboardHolder
{
public:
    /// MIME type ("text/plain", "text/uri-list") to its bytes; text is UTF-8.
    using Formats = QMap<QString, QByteArray>;

    static constexpr const char* kProgramName = "tarsel-clipboard";

    /// The holder program to start, empty when none is installed.
    static QString program();
    /// Starts a holder for these formats and waits until it owns the CLIPBOARD selection of the
    /// display named by $DISPLAY. False with a message when there is no holder, it cannot reach
    /// the display, or it does not answer in time; the caller then keeps the selection itself.
    static bool handOver(const Formats& formats, QString* error);

    /// The holder program's whole work: reads the formats from standard input, takes the
    /// selection, answers "ready" on standard output and serves until the selection is lost.
    /// Answers the exit status.
    static int serve();
};

} // namespace platform
