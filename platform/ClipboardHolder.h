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
///
/// A Wayland compositor keeps no copy either: the selection goes with the client that set it,
/// and a client may set it only while it has the keyboard focus. There the holder is "wl-copy"
/// (kWaylandProgramName, from wl-clipboard), which takes the selection through the
/// compositor's data-control protocol where it offers one (wlroots compositors, KWin), else
/// through a surface of its own, and serves it in the background until the next copy.
class ClipboardHolder
{
public:
    /// MIME type ("text/plain", "text/uri-list") to its bytes; text is UTF-8.
    using Formats = QMap<QString, QByteArray>;

    static constexpr const char* kProgramName = "tarsel-clipboard";
    static constexpr const char* kWaylandProgramName = "wl-copy";

    /// The holder program to start, empty when none is installed.
    static QString program();
    /// Starts a holder for these formats and waits until it owns the CLIPBOARD selection of the
    /// display named by $DISPLAY. False with a message when there is no holder, it cannot reach
    /// the display, or it does not answer in time; the caller then keeps the selection itself.
    static bool handOver(const Formats& formats, QString* error);
    /// Empties the CLIPBOARD selection of the display named by $DISPLAY, whoever owns it (a
    /// holder then exits); an empty one is left as it is. False with a message when the display
    /// cannot be reached or keeps the selection.
    static bool release(QString* error);

    /// The Wayland holder program, empty when wl-clipboard is not installed.
    static QString waylandProgram();
    /// Hands the formats to wl-copy, which serves them on the clipboard of the compositor named
    /// by $WAYLAND_DISPLAY until the next copy, and waits until it holds the selection. It
    /// serves one type: the file addresses when there are any (a file manager pastes the files),
    /// else the text. False with a message when wl-copy is missing, fails or does not answer.
    static bool handOverToWayland(const Formats& formats, QString* error);

    /// The holder program's whole work: reads the formats from standard input, takes the
    /// selection, answers "ready" on standard output and serves until the selection is lost.
    /// Answers the exit status.
    static int serve();
};

} // namespace platform
