#include "platform/LoginItem.h"

#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <optional>

namespace platform {

namespace {

const QString kEntryGroup = QStringLiteral("[Desktop Entry]");

QString programOrSelf(const QString& program)
{
    return program.isEmpty() ? QCoreApplication::applicationFilePath() : program;
}

using posix::failureMessage;

// A key file value as stored: backslashes and control characters escaped, a leading space kept.
QString escapeValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\')) {
            out += QLatin1String("\\\\");
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else if (c == QLatin1Char('\t')) {
            out += QLatin1String("\\t");
        } else if (c == QLatin1Char('\r')) {
            out += QLatin1String("\\r");
        } else if (c == QLatin1Char(' ') && i == 0) {
            out += QLatin1String("\\s");
        } else {
            out += c;
        }
    }
    return out;
}

// Ours when its Exec line starts a program of our file name (the application may have moved
// since the entry was written; the next switch-on writes the new path).
bool isOurs(const QHash<QString, QString>& keys, const QString& program)
{
    Application app;
    app.exec = keys.value(QStringLiteral("Exec"));
    QString started = Workspace::programOf(app);
    started.replace(QLatin1String("%%"), QLatin1String("%"));
    return !started.isEmpty() && QFileInfo(started).fileName() == QFileInfo(program).fileName();
}

bool isOff(const QString& value)
{
    return value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

bool isOn(const QString& value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString quoted(const QString& argument)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (QStringView(u"\"`$\\").contains(c)) {
            out += QLatin1Char('\\');
        }
        out += c;
        if (c == QLatin1Char('%')) {
            out += c;
        }
    }
    return out + QLatin1Char('"');
}

Status writeEntry(const QString& path, const QString& program, const QStringList& arguments)
{
    const QString what = QStringLiteral("write the login item");
    const QString folder = QFileInfo(path).path();
    if (!Paths::ensureFolder(folder)) {
        return { false,
                 failureMessage(what, path, QStringLiteral("The folder \"%1\" cannot be created.").arg(folder)) };
    }
    // The name the session's startup settings list: the product's, whichever program writes it.
    QByteArray text;
    text += kEntryGroup.toUtf8() + '\n';
    text += "Type=Application\n";
    text += "Name=Tarsel\n";
    text += "Comment=Starts Tarsel when you log in\n";
    text += "Exec=" + escapeValue(LoginItem::execLine(program, arguments)).toUtf8() + '\n';
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        return { false, failureMessage(what, path, out.errorString()) };
    }
    return { true, QString() };
}

} // namespace

QString LoginItem::file()
{
    return Paths::configHome() + QStringLiteral("/autostart/tarsel.desktop");
}

bool LoginItem::isEnabled(const QString& program)
{
    const std::optional<QHash<QString, QString>> keys = Workspace::readDesktopEntry(file());
    return keys && isOurs(*keys, programOrSelf(program)) && !isOn(keys->value(QStringLiteral("Hidden")))
        && !isOff(keys->value(QStringLiteral("X-GNOME-Autostart-enabled")));
}

Status LoginItem::setEnabled(bool on, const QString& program, const QStringList& arguments)
{
    const QString path = file();
    const QString self = programOrSelf(program);
    const bool present = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    const std::optional<QHash<QString, QString>> keys = Workspace::readDesktopEntry(path);
    const bool ours = keys && isOurs(*keys, self);
    if (on) {
        if (present && !ours) {
            return { false,
                     failureMessage(QStringLiteral("write the login item"), path,
                                    QStringLiteral("Another autostart entry of that name is in the way.")) };
        }
        return writeEntry(path, self, arguments);
    }
    if (!present || !ours) {
        return { true, QString() };
    }
    QFile entry(path);
    if (!entry.remove()) {
        return { false, failureMessage(QStringLiteral("remove the login item"), path, entry.errorString()) };
    }
    return { true, QString() };
}

QString LoginItem::execLine(const QString& program, const QStringList& arguments)
{
    QStringList words { quoted(program) };
    for (const QString& argument : arguments) {
        words << quoted(argument);
    }
    return words.join(QLatin1Char(' '));
}

} // namespace platform
