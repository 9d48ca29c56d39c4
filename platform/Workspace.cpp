#include "platform/Workspace.h"

#include "platform/Hook.h"
#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLoggingCategory>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcWorkspace, "tarsel.platform.workspace", QtWarningMsg)

namespace platform {

namespace {

const QString kOpener = QStringLiteral("xdg-open");
const QString kDesktopSuffix = QStringLiteral(".desktop");
constexpr int kFileManagerTimeoutMs = 5000;

// --- launcher -------------------------------------------------------------------------------

platform::Hook<Workspace::Launcher>& launcherHook()
{
    static platform::Hook<Workspace::Launcher> hook;
    return hook;
}

bool launch(const QString& program, const QStringList& args)
{
    const Workspace::Launcher launcher = launcherHook().get();
    if (program.isEmpty()) {
        return false;
    }
    if (launcher) {
        return launcher(program, args);
    }
    const bool started = QProcess::startDetached(program, args);
    if (!started) {
        qCWarning(lcWorkspace).noquote() << "could not start" << program;
    }
    return started;
}

// --- desktop entries ------------------------------------------------------------------------

// The string escapes of desktop entry values. Unknown escapes stay as they are, so the quoting
// rules of Exec see them unchanged.
QString unescapeValue(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out += c;
            continue;
        }
        const QChar e = raw.at(++i);
        switch (e.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += e;
        }
    }
    return out;
}

QStringList applicationFolders()
{
    QStringList folders { Paths::dataHome() + QStringLiteral("/applications") };
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.trimmed().isEmpty()) {
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    const QStringList dirs = dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        if (QDir::isAbsolutePath(dir)) {
            folders << QDir::cleanPath(dir) + QStringLiteral("/applications");
        }
    }
    folders.removeDuplicates();
    return folders;
}

bool isTrue(const QString& value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// The application an entry file describes under an id; nullopt for a hidden entry, one of
// another type, or a file that is no desktop entry.
std::optional<Application> applicationFromFile(const QString& file, const QString& id)
{
    const std::optional<QHash<QString, QString>> keys = Workspace::readDesktopEntry(file);
    if (!keys || isTrue(keys->value(QStringLiteral("Hidden")))
        || keys->value(QStringLiteral("Type")) != QLatin1String("Application")) {
        return std::nullopt;
    }
    Application app;
    app.id = id;
    app.name = keys->value(QStringLiteral("Name"));
    app.exec = keys->value(QStringLiteral("Exec"));
    app.icon = keys->value(QStringLiteral("Icon"));
    app.desktopFile = file;
    return app;
}

// Walks every entry in precedence order. The first file of an id claims it, so a hidden user
// entry also hides the system entry of the same id. The visitor answers false to stop.
void forEachApplication(const std::function<bool(const Application&)>& visit)
{
    QSet<QString> seen;
    const QStringList folders = applicationFolders();
    for (const QString& folder : folders) {
        QStringList files;
        QDirIterator it(folder, { QStringLiteral("*.desktop") }, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            files << it.next();
        }
        files.sort();
        for (const QString& file : std::as_const(files)) {
            QString id = file.mid(folder.size() + 1);
            id.chop(kDesktopSuffix.size());
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id)) {
                continue;
            }
            seen.insert(id);
            const std::optional<Application> app = applicationFromFile(file, id);
            if (app && !visit(*app)) {
                return;
            }
        }
    }
}

// The files under `dir` whose relative path makes the id `rest`: every "-" of the id may stand
// for a "/" where such a subfolder exists. Looking only there spares reading every entry.
void entryFilesForId(const QString& dir, const QString& rest, QStringList* files)
{
    const QString direct = dir + QLatin1Char('/') + rest + kDesktopSuffix;
    if (QFileInfo(direct).isFile()) {
        *files << direct;
    }
    for (qsizetype dash = rest.indexOf(QLatin1Char('-')); dash > 0; dash = rest.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString name = rest.left(dash);
        const QString sub = dir + QLatin1Char('/') + name;
        if (name != QLatin1String(".") && name != QLatin1String("..") && QFileInfo(sub).isDir()) {
            entryFilesForId(sub, rest.mid(dash + 1), files);
        }
    }
}

// --- Exec lines -----------------------------------------------------------------------------

struct ExecArgument
{
    QString text;
    bool plain = true; ///< written without quotes or escapes
};

// Splits an Exec value into arguments. Inside double quotes a backslash escapes ", `, $ and \;
// outside them it escapes any character.
std::optional<QList<ExecArgument>> splitExec(const QString& exec)
{
    QList<ExecArgument> args;
    ExecArgument current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()
                       && QStringView(u"\"`$\\").contains(exec.at(i + 1))) {
                current.text += exec.at(++i);
            } else {
                current.text += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument) {
                args << current;
                current = ExecArgument();
                inArgument = false;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            inArgument = true;
            current.plain = false;
        } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current.text += exec.at(++i);
            current.plain = false;
            inArgument = true;
        } else {
            current.text += c;
            inArgument = true;
        }
    }
    if (inQuotes) {
        return std::nullopt;
    }
    if (inArgument) {
        args << current;
    }
    return args;
}

bool hasFieldCode(const ExecArgument& arg, const QString& codes)
{
    for (qsizetype i = 0; i + 1 < arg.text.size(); ++i) {
        if (arg.text.at(i) == QLatin1Char('%')) {
            if (codes.contains(arg.text.at(i + 1))) {
                return true;
            }
            ++i; // "%%" is no field code
        }
    }
    return false;
}

bool hasFieldCode(const QList<ExecArgument>& args, const QString& codes)
{
    return std::any_of(args.begin(), args.end(),
                       [&codes](const ExecArgument& arg) { return hasFieldCode(arg, codes); });
}

const QString kFileCodes = QStringLiteral("fFuU");

bool isWholeFileCode(const ExecArgument& arg)
{
    return arg.text.size() == 2 && arg.text.at(0) == QLatin1Char('%') && kFileCodes.contains(arg.text.at(1));
}

// --- Where a file name may go --------------------------------------------------------------
//
// Whether a program treats an argument as data or as code cannot be told from a list of
// programs: wrappers ("nice", "timeout 5", "env", "flatpak-spawn --host", ...) put the
// interpreter anywhere in the line, and options may stand between an interpreter and its code
// ("bash -O extglob -c %f"). So the rule is structural and reads every word of the line:
//   - a file code is expanded as a whole argument of its own (one argument per file), or as
//     the value of an option written "--name=%f" (a plain word, one file);
//   - never in the code slot of a code option: the word after "-c", "-e", "--command",
//     "--eval", ... (any program's, for "xterm -e" and "vim -c" run their argument as well) and
//     after a short cluster ending in such a letter ("bash -lc", "perl -ne");
//   - when an option follows a code option ("bash -c -O extglob %f"), which word is the code
//     cannot be told: every file code after that code option is refused;
//   - an interpreter found anywhere in the line adds the letters of its own code options
//     ("node -p", "bash -xc"), and for awk and sed, whose first operand is the program, the
//     word after the program's name is a code slot unless "-f"/"-e" gives the program.
// A whole argument after the code ("sh -c 'exec foo \"$@\"' sh %F", "python3 -c CODE %f")
// is the code's data, as any program's arguments are: it is expanded.

// The name of a program without its path and version ("/usr/bin/python3.12" is "python").
QString programName(const QString& word)
{
    QString name = QFileInfo(word).fileName();
    while (!name.isEmpty() && (name.back().isDigit() || name.back() == QLatin1Char('.'))) {
        name.chop(1);
    }
    return name;
}

// The letters of an interpreter's short options that take code, for a word that names one.
QString interpreterCodeLetters(const QString& word)
{
    static const QHash<QString, QString> kInterpreters = {
        { QStringLiteral("sh"), QStringLiteral("c") },     { QStringLiteral("bash"), QStringLiteral("c") },
        { QStringLiteral("dash"), QStringLiteral("c") },   { QStringLiteral("zsh"), QStringLiteral("c") },
        { QStringLiteral("ksh"), QStringLiteral("c") },    { QStringLiteral("mksh"), QStringLiteral("c") },
        { QStringLiteral("ash"), QStringLiteral("c") },    { QStringLiteral("yash"), QStringLiteral("c") },
        { QStringLiteral("fish"), QStringLiteral("c") },   { QStringLiteral("csh"), QStringLiteral("c") },
        { QStringLiteral("tcsh"), QStringLiteral("c") },   { QStringLiteral("busybox"), QStringLiteral("c") },
        { QStringLiteral("python"), QStringLiteral("c") }, { QStringLiteral("pypy"), QStringLiteral("c") },
        { QStringLiteral("perl"), QStringLiteral("eE") },  { QStringLiteral("ruby"), QStringLiteral("e") },
        { QStringLiteral("node"), QStringLiteral("ep") },  { QStringLiteral("nodejs"), QStringLiteral("ep") },
        { QStringLiteral("php"), QStringLiteral("rBRE") }, { QStringLiteral("lua"), QStringLiteral("e") },
        { QStringLiteral("luajit"), QStringLiteral("e") }, { QStringLiteral("Rscript"), QStringLiteral("e") },
        { QStringLiteral("julia"), QStringLiteral("e") },  { QStringLiteral("osascript"), QStringLiteral("e") },
        { QStringLiteral("awk"), QStringLiteral("e") },    { QStringLiteral("gawk"), QStringLiteral("e") },
        { QStringLiteral("mawk"), QStringLiteral("e") },   { QStringLiteral("nawk"), QStringLiteral("e") },
        { QStringLiteral("sed"), QStringLiteral("e") },    { QStringLiteral("gsed"), QStringLiteral("e") },
    };
    return kInterpreters.value(programName(word));
}

// awk and sed take their program as the first operand unless an option gives it.
bool takesOperandProgram(const QString& word)
{
    static const QStringList kPrograms = { QStringLiteral("awk"),  QStringLiteral("gawk"), QStringLiteral("mawk"),
                                           QStringLiteral("nawk"), QStringLiteral("sed"),  QStringLiteral("gsed") };
    return kPrograms.contains(programName(word));
}

bool givesProgram(const QString& word)
{
    static const QRegularExpression kProgramOption(
        QStringLiteral("^(-[a-z]*[fe]|-[fe].+|--(file|source|expression|include|exec)(=.*)?)$"));
    return kProgramOption.match(word).hasMatch();
}

// The name of a long or short option that takes code ("--command", "-c"), whatever the program.
bool isCodeOptionName(const QString& name, const QString& letters)
{
    static const QStringList kLong
        = { QStringLiteral("command"), QStringLiteral("eval"),    QStringLiteral("eval-command"),
            QStringLiteral("exec"),    QStringLiteral("execute"), QStringLiteral("expression") };
    if (name.size() == 1) {
        return name == QLatin1String("c") || name == QLatin1String("e") || letters.contains(name);
    }
    return kLong.contains(name) || name == QLatin1String("ex");
}

// Whether a word is an option after which the next word is run as code. `letters` are the
// code letters of the interpreters named earlier in the line.
bool isCodeOption(const QString& word, const QString& letters)
{
    if (word.startsWith(QLatin1String("--"))) {
        return word.size() > 2 && isCodeOptionName(word.mid(2), letters);
    }
    static const QRegularExpression kCluster(QStringLiteral("^-[A-Za-z]{1,3}$"));
    if (!kCluster.match(word).hasMatch()) {
        return false;
    }
    if (word == QLatin1String("-ex") || isCodeOptionName(word.right(1), letters)) { // "-lc", "-ne"
        return true;
    }
    return std::any_of(word.begin() + 1, word.end(), [&letters](QChar c) { return letters.contains(c); });
}

// "--name=VALUE" or "-n=VALUE": the option's name, else a null string.
QString optionValueName(const QString& text)
{
    static const QRegularExpression kOptionValue(QStringLiteral("^--?([A-Za-z0-9][A-Za-z0-9._-]*)="));
    const QRegularExpressionMatch match = kOptionValue.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The indexes of the words run as code: each word after a code option (or after the name of
// awk or sed that no option gives a program), with `ambiguous` set where an option follows it.
struct CodeSlot
{
    qsizetype index;
    bool ambiguous;
};

QList<CodeSlot> codeSlots(const QList<ExecArgument>& args)
{
    QList<CodeSlot> slots;
    QString letters;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i].text;
        // A word with spaces ("env -S \"sh -c\" %f") may be split again by the program: its
        // last piece counts as well.
        const QString last = word.section(QLatin1Char(' '), -1, -1, QString::SectionSkipEmpty);
        bool introducesCode = isCodeOption(word, letters) || (last != word && isCodeOption(last, letters));
        letters += interpreterCodeLetters(word) + interpreterCodeLetters(last);
        if (takesOperandProgram(word) || takesOperandProgram(last)) {
            introducesCode = std::none_of(args.begin() + i + 1, args.end(),
                                          [](const ExecArgument& a) { return givesProgram(a.text); });
        }
        if (introducesCode && i + 1 < args.size()) {
            slots.append({ i + 1, args[i + 1].text.startsWith(QLatin1Char('-')) });
        }
    }
    return slots;
}

// Why an Exec line cannot be trusted with file names, empty when it can (the rule above).
// Inside a quoted argument the expansion is undefined, and such an argument is most often
// shell code ("sh -c \"... %f\""), where a name like "$(...).txt" would run.
QString unsafeFileCode(const QList<ExecArgument>& args)
{
    const QString runsCode = QStringLiteral("the command runs a file name as code");
    for (const CodeSlot& slot : codeSlots(args)) {
        if (hasFieldCode(args[slot.index], kFileCodes)) {
            return runsCode;
        }
        if (slot.ambiguous && hasFieldCode(args.mid(slot.index), kFileCodes)) {
            return runsCode;
        }
    }
    for (const ExecArgument& arg : args) {
        if (!hasFieldCode(arg, kFileCodes) || isWholeFileCode(arg)) {
            continue;
        }
        if (!arg.plain) {
            return QStringLiteral("the command puts a file name inside a quoted argument");
        }
        if (hasFieldCode(arg, QStringLiteral("FU"))) {
            return QStringLiteral("the command puts a list of files inside an argument");
        }
        const QString option = optionValueName(arg.text);
        if (option.isNull()) {
            return QStringLiteral("the command puts a file name inside an argument that is no option's value");
        }
        if (isCodeOptionName(option, QString())) {
            return runsCode;
        }
    }
    return {};
}

QString fileUrl(const QString& path)
{
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

// Expands the field codes of one invocation: %f/%u name `files` (at most one file here),
// %F/%U name all of them; %i, %c, %k and the deprecated codes are dropped, "%%" is "%". A name
// becomes an argument's text as it is; nothing here is parsed again.
QStringList expandExec(const QList<ExecArgument>& args, const QStringList& files)
{
    QStringList argv;
    for (const ExecArgument& arg : args) {
        if (arg.text == QLatin1String("%F") || arg.text == QLatin1String("%U")) {
            for (const QString& file : files) {
                argv << (arg.text == QLatin1String("%F") ? file : fileUrl(file));
            }
            continue;
        }
        QString out;
        bool hadCode = false;
        for (qsizetype i = 0; i < arg.text.size(); ++i) {
            const QChar c = arg.text.at(i);
            if (c != QLatin1Char('%') || i + 1 >= arg.text.size()) {
                out += c;
                continue;
            }
            const QChar code = arg.text.at(++i);
            if (code == QLatin1Char('%')) {
                out += c;
                continue;
            }
            hadCode = true;
            if (!files.isEmpty() && (code == QLatin1Char('f') || code == QLatin1Char('F'))) {
                out += files.first();
            } else if (!files.isEmpty() && (code == QLatin1Char('u') || code == QLatin1Char('U'))) {
                out += fileUrl(files.first());
            }
        }
        // An argument that was only a field code with nothing to stand for disappears.
        if (!out.isEmpty() || !hadCode) {
            argv << out;
        }
    }
    return argv;
}

// The command lines that open `paths` with an Exec value, one per invocation; nullopt with the
// reason when the value cannot be used.
std::optional<QList<QStringList>> commandLines(const QString& exec, const QStringList& paths, QString* why)
{
    const std::optional<QList<ExecArgument>> args = splitExec(exec);
    if (!args || args->isEmpty()) {
        *why = exec.trimmed().isEmpty() ? QStringLiteral("the entry names no command")
                                        : QStringLiteral("the command has an unmatched quote");
        return std::nullopt;
    }
    // The program itself must be named by the entry, never by a file being opened.
    if (hasFieldCode(args->first(), QStringLiteral("fFuUdDnNickvm"))) {
        *why = QStringLiteral("the command's program is a field code");
        return std::nullopt;
    }
    QList<QStringList> lines;
    const bool takesMany = hasFieldCode(*args, QStringLiteral("FU"));
    const bool takesOne = hasFieldCode(*args, QStringLiteral("fu"));
    // Files an entry does not place follow the command, where they must be safe as well
    // ("sh -c" would run the first as code).
    QList<ExecArgument> placed = *args;
    if (!takesMany && !takesOne && !paths.isEmpty()) {
        placed << ExecArgument { QStringLiteral("%F"), true };
    }
    if (const QString unsafe = unsafeFileCode(placed); !unsafe.isEmpty()) {
        *why = unsafe;
        return std::nullopt;
    }
    if (!takesMany && !takesOne) {
        // The entry does not say where files go: they follow the command.
        lines << expandExec(*args, {}) + paths;
    } else if (takesOne && !takesMany && paths.size() > 1) {
        // A program that takes a single file is started once per file.
        for (const QString& path : paths) {
            lines << expandExec(*args, { path });
        }
    } else {
        lines << expandExec(*args, paths);
    }
    for (const QStringList& line : std::as_const(lines)) {
        if (line.isEmpty() || line.first().isEmpty()) {
            *why = QStringLiteral("the command's program is empty");
            return std::nullopt;
        }
    }
    return lines;
}

const QString kFileManagerService = QStringLiteral("org.freedesktop.FileManager1");

platform::Hook<Workspace::FileManager>& fileManagerHook()
{
    static platform::Hook<Workspace::FileManager> hook;
    return hook;
}

bool callFileManagerOverDBus(const QString& method, const QStringList& uris)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        kFileManagerService, QStringLiteral("/org/freedesktop/FileManager1"), kFileManagerService, method);
    call << uris << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCDebug(lcWorkspace) << "file manager did not answer" << method << ":" << reply.errorMessage();
        return false;
    }
    return true;
}

bool fileManagerOnBus()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (names == nullptr) {
        return false;
    }
    if (names->isServiceRegistered(kFileManagerService).value()) {
        return true;
    }
    const QDBusReply<QStringList> activatable = names->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kFileManagerService);
}

bool callFileManager(const QString& method, const QStringList& uris)
{
    const Workspace::FileManager fileManager = fileManagerHook().get();
    return fileManager.call ? fileManager.call(method, uris) : callFileManagerOverDBus(method, uris);
}

} // namespace

void Workspace::setLauncher(Launcher launcher)
{
    launcherHook().set(std::move(launcher));
}

bool Workspace::launchApplication(const QString& program, const QStringList& args)
{
    return launch(program, args);
}

bool Workspace::openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    if (url.isLocalFile()) {
        return openFile(url.toLocalFile());
    }
    return launch(kOpener, { QString::fromUtf8(url.toEncoded()) });
}

bool Workspace::openFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return false;
    }
    return launch(kOpener, { info.absoluteFilePath() });
}

bool Workspace::openFiles(const QStringList& paths, const Application& app, QString* error)
{
    Application resolved = app;
    if (resolved.exec.isEmpty()) {
        resolved = applicationForId(app.id);
        if (!resolved.isValid()) {
            resolved = applicationForName(app.name.isEmpty() ? app.id : app.name);
        }
    }
    QStringList absolute;
    for (const QString& path : paths) {
        absolute << QFileInfo(path).absoluteFilePath();
    }
    const QString action = QStringLiteral("open with \"%1\"").arg(app.name.isEmpty() ? app.id : app.name);
    if (resolved.exec.isEmpty()) {
        return posix::fail(error, action, absolute.value(0), QStringLiteral("no such application is installed"));
    }
    QString why;
    const std::optional<QList<QStringList>> lines = commandLines(resolved.exec, absolute, &why);
    if (!lines) {
        const QString message = posix::failureMessage(action, resolved.desktopFile, why);
        qCWarning(lcWorkspace).noquote() << message;
        if (error) {
            *error = message;
        }
        return false;
    }
    bool ok = true;
    for (const QStringList& line : *lines) {
        ok = launch(line.first(), line.mid(1)) && ok;
    }
    return ok
        || posix::fail(error, action, absolute.value(0),
                       QStringLiteral("%1 could not be started").arg(lines->first().first()));
}

QString Workspace::programOf(const Application& app)
{
    const std::optional<QList<ExecArgument>> args = splitExec(app.exec);
    return args && !args->isEmpty() && !hasFieldCode(args->first(), QStringLiteral("fFuUdDnNickvm"))
        ? args->first().text
        : QString();
}

std::optional<QHash<QString, QString>> Workspace::readDesktopEntry(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    QHash<QString, QString> keys;
    bool inEntry = false;
    bool seenEntry = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            seenEntry = seenEntry || inEntry;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inEntry || eq <= 0) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        if (!keys.contains(key)) {
            keys.insert(key, unescapeValue(line.mid(eq + 1).trimmed()));
        }
    }
    if (!seenEntry) {
        return std::nullopt;
    }
    return keys;
}

bool Workspace::reveal(const QString& path)
{
    return revealItems({ path });
}

bool Workspace::revealItems(const QStringList& paths)
{
    QStringList uris;
    QStringList folders;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists()) {
            continue;
        }
        uris << fileUrl(info.absoluteFilePath());
        if (!folders.contains(info.absolutePath())) {
            folders << info.absolutePath();
        }
    }
    if (uris.isEmpty()) {
        return false;
    }
    if (callFileManager(QStringLiteral("ShowItems"), uris)) {
        return true;
    }
    bool ok = true;
    for (const QString& folder : folders) {
        ok = launch(kOpener, { folder }) && ok;
    }
    return ok;
}

QList<Application> Workspace::applications()
{
    QList<Application> apps;
    forEachApplication([&apps](const Application& app) {
        apps << app;
        return true;
    });
    return apps;
}

void Workspace::setFileManager(FileManager fileManager)
{
    fileManagerHook().set(std::move(fileManager));
}

bool Workspace::hasFileManager()
{
    const FileManager fileManager = fileManagerHook().get();
    return fileManager.isAvailable ? fileManager.isAvailable() : fileManagerOnBus();
}

bool Workspace::showItemProperties(const QStringList& paths)
{
    QStringList uris;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!path.isEmpty() && info.exists()) {
            uris << fileUrl(info.absoluteFilePath());
        }
    }
    return !uris.isEmpty() && callFileManager(QStringLiteral("ShowItemProperties"), uris);
}

Application Workspace::applicationForId(const QString& id)
{
    QString wanted = id;
    if (wanted.endsWith(kDesktopSuffix)) {
        wanted.chop(kDesktopSuffix.size());
    }
    if (wanted.isEmpty() || wanted.contains(QLatin1Char('/')) || wanted.startsWith(QLatin1Char('.'))) {
        return Application();
    }
    const QStringList folders = applicationFolders();
    for (const QString& folder : folders) {
        QStringList files;
        entryFilesForId(folder, wanted, &files);
        if (!files.isEmpty()) {
            // Same precedence as the full walk: the first path in sorted order claims the id.
            files.sort();
            return applicationFromFile(files.first(), wanted).value_or(Application());
        }
    }
    return Application();
}

Application Workspace::applicationForName(const QString& name)
{
    Application found;
    if (name.isEmpty()) {
        return found;
    }
    forEachApplication([&](const Application& app) {
        if (app.name.compare(name, Qt::CaseInsensitive) == 0) {
            found = app;
            return false;
        }
        return true;
    });
    return found;
}

bool Workspace::hasProgram(const QString& program)
{
    if (program.isEmpty()) {
        return false;
    }
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace platform
