#include "foundation/StringExpandShell.h"

#include "foundation/QVTools.h"
#include "foundation/StringExpandText.h"
#include "platform/AppleScript.h"
#include "platform/Task.h"
#include "platform/Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace qv {

namespace {

const QString kBash = QStringLiteral("/bin/bash");
const QString kSh = QStringLiteral("/bin/sh");

// Runs the program with standard output captured and hands the block (success, text).
void runCaptured(const QString& program, const QStringList& args, const ShellBlock& block)
{
    const platform::Task::Result result
        = platform::Task::run(program, args, platform::Task::Output::Capture, platform::Task::Output::Inherit);
    if (!block) {
        return;
    }
    if (!result.ok()) {
        block(false, QString());
        return;
    }
    // No output is an empty text; output that is not UTF-8 is nil.
    block(true, getStringFromData(result.standardOutput));
}

// The bytes as one $'...' word: printable ASCII stands as it is (quote and backslash escaped),
// every other byte is a three-digit octal escape, so no following digit is taken into it.
QString dollarQuotedBytes(const QByteArray& bytes)
{
    QString out = QStringLiteral("$'");
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\'' || c == '\\') {
            out += QLatin1Char('\\');
            out += QLatin1Char(ch);
        } else if (c >= 0x20 && c < 0x7F) {
            out += QLatin1Char(ch);
        } else {
            out += QStringLiteral("\\%1").arg(c, 3, 8, QLatin1Char('0'));
        }
    }
    return out + QLatin1Char('\'');
}

} // namespace

QString shellQuoted(const QString& s, ShellQuoting style)
{
    if (style == ShellQuoting::Word) {
        return shellQuoted(s);
    }
    QString inner = s;
    inner.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString shellQuoted(const QByteArray& bytes, ShellQuoting style)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes) {
        return shellQuoted(text, style);
    }
    return dollarQuotedBytes(bytes);
}

bool execute(const QString& command)
{
    return platform::Task::run(kBash, { QStringLiteral("-c"), command }, platform::Task::Output::Inherit,
                               platform::Task::Output::Inherit)
        .ok();
}

void executeWithBlock(const QString& command, const ShellBlock& block)
{
    runCaptured(kBash, { QStringLiteral("-c"), command }, block);
}

void executeShellFileWithBlock(const QString& path, const ShellBlock& block)
{
    runCaptured(kSh, { path }, block);
}

bool openItem2WithFolder(const QString& command, const QString& folder)
{
    // The desktop's opener starts for any address, handled or not, so a missing iTerm2 is
    // found out here; callers then fall back to another way.
    if (!QVTools::isInstallIterm2()) {
        return false;
    }
    const QString dir = isValid(folder) ? folder : desktopPath();
    const QUrl url(QStringLiteral("iterm2:/command?c=%1&d=%2").arg(URLEncodedString(command), URLEncodedString(dir)),
                   QUrl::StrictMode);
    if (!url.isValid()) {
        return false;
    }
    return platform::Workspace::openUrl(url);
}

QString executeAppleScriptPath(const QString& path)
{
    // The script engine's own answer for a file it cannot load carries no message; a missing
    // script must not pass for a script that ran, so it is reported here.
    const QFileInfo info(path);
    if (!info.isFile()) {
        const QString why = info.exists() ? QStringLiteral("Not a file") : QStringLiteral("No such file");
        return QStringLiteral("Failed to load the AppleScript. File: \"%1\". Error: \"%2\"").arg(path, why);
    }
    return platform::AppleScript::runFile(path);
}

QString executeAppleScriptSource(const QString& source)
{
    return platform::AppleScript::runSource(source);
}

} // namespace qv
