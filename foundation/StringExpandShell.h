#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qv {

/// How a value is written into a command line for bash. Both forms are one word that bash turns
/// back into exactly the value, whatever it holds.
enum class ShellQuoting {
    /// As shellQuoted(s) (StringExpandText.h): ordinary names come out as cmdSpace gives them.
    Word,
    /// Between single quotes, "'%@'"; a "'" inside is written '\'' (close, escaped quote, reopen).
    SingleQuotes,
};

/// The text quoted for bash in that style; the empty text is ''.
QString shellQuoted(const QString& s, ShellQuoting style);
/// The bytes of a file name quoted in that style. Bytes that decode exactly (QFile::decodeName,
/// then encodeName, gives them back) are quoted as the text they decode to; any others (a name
/// that is not UTF-8) become one $'...' word in which every byte outside printable ASCII is an
/// octal escape, which bash turns back into that very byte in every locale.
QString shellQuoted(const QByteArray& bytes, ShellQuoting style = ShellQuoting::Word);

// Shell and AppleScript runners. The receiver is the command line, the script file path or the
// script source. Every runner is synchronous: it returns only after the command has ended, with
// no time limit, so callers that must stay responsive run it from the background queue.

/// Called once with success (exit status 0) and the whole standard output decoded as UTF-8;
/// the output is null when the status is not 0 or the output is not valid UTF-8.
using ShellBlock = std::function<void(bool success, const QString& output)>;

/// Runs the command line with "/bin/bash" "-c"; its standard output and error go where this
/// process's go. True exactly when the exit status is 0.
bool execute(const QString& command);

/// Runs the command line with "/bin/bash" "-c", capturing standard output (drained while the
/// command runs, so a chatty command never blocks); standard error is inherited. The block
/// runs on the calling thread before the call returns.
void executeWithBlock(const QString& command, const ShellBlock& block);

/// Runs the script file at the path with "/bin/sh", otherwise as executeWithBlock. A missing
/// file ends with a non-zero status.
void executeShellFileWithBlock(const QString& path, const ShellBlock& block);

/// Opens the command in iTerm2 in the folder (the Desktop when the folder is not valid) through
/// the address "iterm2:/command?c=...&d=...". Both values are percent-encoded, so a command or
/// folder holding "&", "=", "#", "?" or blanks reaches the terminal intact. True when the
/// workspace opened the address; NO when iTerm2 is not installed (QVTools::isInstallIterm2) or
/// the address could not be opened, and callers then fall back to another way.
bool openItem2WithFolder(const QString& command, const QString& folder = QString());

/// Compiles and runs the AppleScript file at the path: null on success, else the error text.
/// A file that cannot be read is a failure too (its error text names the file).
QString executeAppleScriptPath(const QString& path);

/// Compiles and runs the AppleScript source: null on success, else the error text.
QString executeAppleScriptSource(const QString& source);

} // namespace qv
