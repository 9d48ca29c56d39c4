// The file-manager snippets under share/file-managers/ that the README quotes and tells users to
// install: each parses in its file manager's format, and the command it holds, with the placeholders
// filled in as that file manager fills them, is understood by the real tarsel-finder and shows
// the menu of the right kind (items, or the folder background).

#include "tests/engine/MenuStoreTestSupport.h"

#include "tests/host/HostRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

enum class Format { ThunarXml, DesktopEntry, Shell };

struct Snippet
{
    const char* file; // under share/file-managers/
    Format format;
    const char* commandGroup; // DesktopEntry: the group whose Exec runs tarsel-finder
};

const Snippet kSnippets[] = {
    { "thunar/uca.xml", Format::ThunarXml, nullptr },
    { "nemo/tarsel.nemo_action", Format::DesktopEntry, "Nemo Action" },
    { "nemo/tarsel-folder.nemo_action", Format::DesktopEntry, "Nemo Action" },
    { "dolphin/tarsel.desktop", Format::DesktopEntry, "Desktop Action tarselMenu" },
    { "dolphin/tarsel-folder.desktop", Format::DesktopEntry, "Desktop Action tarselFolderMenu" },
    { "file-manager-actions/tarsel.desktop", Format::DesktopEntry, "X-Action-Profile tarselItems" },
    { "file-manager-actions/tarsel-folder.desktop", Format::DesktopEntry, "X-Action-Profile tarselFolder" },
    { "nautilus/Tarsel", Format::Shell, nullptr },
};

QString snippetPath(const Snippet& snippet)
{
    return QStringLiteral(TARSEL_SOURCE_DIR "/share/file-managers/") + QLatin1String(snippet.file);
}

// Desktop-entry syntax as freedesktop.org writes it: comments, [groups] and
// Key=Value lines (a key may carry a [locale]); no entry outside a group, no group or key twice.
// Answers group -> key -> value, or an error.
using Groups = QMap<QString, QMap<QString, QString>>;
std::optional<Groups> parseDesktopEntry(const QByteArray& text, QString* error)
{
    static const QRegularExpression keyLine(QStringLiteral("^([A-Za-z0-9-]+(\\[[^\\]=]+\\])?) *= *(.*)$"));
    Groups groups;
    QString current;
    int number = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            if (current.isEmpty() || groups.contains(current)) {
                *error = QStringLiteral("line %1: empty or repeated group").arg(number);
                return std::nullopt;
            }
            groups[current];
            continue;
        }
        const QRegularExpressionMatch match = keyLine.match(line);
        if (!match.hasMatch() || current.isEmpty() || groups[current].contains(match.captured(1))) {
            *error = QStringLiteral("line %1: not a key of a group, or a repeated key: %2").arg(number).arg(line);
            return std::nullopt;
        }
        groups[current].insert(match.captured(1), match.captured(3));
    }
    return groups;
}

// The <command> of each <action> of a Thunar uca.xml; every action has a name and a unique id.
QStringList thunarCommands(const QByteArray& text, QString* error)
{
    QXmlStreamReader xml(text);
    QStringList commands;
    QSet<QString> ids;
    QMap<QString, QString> action;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("action")) {
            action.clear();
        } else if (xml.isStartElement() && xml.name() != QLatin1String("actions")) {
            const QString name = xml.name().toString();
            action.insert(name, xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (xml.isEndElement() && xml.name() == QLatin1String("action")) {
            if (action.value(QStringLiteral("name")).isEmpty() || action.value(QStringLiteral("unique-id")).isEmpty()
                || ids.contains(action.value(QStringLiteral("unique-id")))) {
                *error = QStringLiteral("an action without a name or with a missing or repeated unique-id");
                return {};
            }
            ids.insert(action.value(QStringLiteral("unique-id")));
            commands << action.value(QStringLiteral("command"));
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
        return {};
    }
    return commands;
}

ProgramRun run(const QString& program, const QStringList& args, const QString& workingFolder,
               const QStringList& extraEnv = {})
{
    return runProgram(program, args, { .env = hostEnvironment(extraEnv), .folder = workingFolder });
}

// A command line of a snippet with the file manager's placeholders filled in: the selection for
// %F, the shown folder for %f (Thunar) and %P (Nemo). "popup" becomes "menu", which prints the
// same menu without a display.
QStringList fillIn(const QString& command, const QStringList& selection, const QString& folder)
{
    QStringList args;
    for (const QString& word : command.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("%F")) {
            args << selection;
        } else if (word == QLatin1String("%f") || word == QLatin1String("%P")) {
            args << folder;
        } else {
            args << (word == QLatin1String("popup") ? QStringLiteral("menu") : word);
        }
    }
    return args;
}

// The two menus this test's store gives, their top-level entries: "Move to" needs selected
// items, so the folder background shows only "Copy Path".
constexpr char kItemsMenu[] = "[1] Copy Path\n[2] Move to\n";
constexpr char kFolderMenu[] = "[1] Copy Path\n";

// The top-level lines of a printed menu (submenu entries are indented).
QByteArray topLevel(const QByteArray& menu)
{
    QByteArray lines;
    for (const QByteArray& line : menu.split('\n')) {
        if (!line.isEmpty() && !line.startsWith(' ')) {
            lines += line + '\n';
        }
    }
    return lines;
}

class FileManagerSnippetsTest : public testing::TestWithParam<Snippet>
{
protected:
    void SetUp() override
    {
        storeList(QVMenuManager::kArrayRightMenu,
                  { keyed(QStringLiteral("Copy Path")), keyed(QStringLiteral("Move to")) });
        m_folder = testHome() + QStringLiteral("/Shown Folder");
        m_selection = { writeFile(m_folder + QStringLiteral("/a file.txt"), "a"),
                        writeFile(m_folder + QStringLiteral("/b.txt"), "b") };
    }

    // The menu the host prints for one filled-in command line of a snippet.
    QByteArray menuFor(const QString& command)
    {
        EXPECT_TRUE(command.startsWith(QLatin1String("tarsel-finder "))) << command.toStdString();
        QStringList args = fillIn(command, m_selection, m_folder);
        args.removeFirst();
        const ProgramRun host = run(QStringLiteral(TARSEL_FINDER_PROGRAM), args, m_folder);
        EXPECT_EQ(host.exitCode, 0) << command.toStdString() << ": " << host.err.constData();
        return topLevel(host.out);
    }

    QString m_folder;
    QStringList m_selection;
};

} // namespace

TEST_P(FileManagerSnippetsTest, ParsesAndRunsTheHost)
{
    const Snippet& snippet = GetParam();
    QFile file(snippetPath(snippet));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
    const QByteArray text = file.readAll();
    QString error;

    // The README quotes the file whole, as an indented block.
    QFile readme(QStringLiteral(TARSEL_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QByteArray quoted;
    for (const QByteArray& line : text.chopped(text.endsWith('\n') ? 1 : 0).split('\n')) {
        quoted += line.isEmpty() ? QByteArray("\n") : "    " + line + '\n';
    }
    EXPECT_TRUE(readme.readAll().contains(quoted)) << "README.md does not quote " << snippet.file;

    switch (snippet.format) {
    case Format::ThunarXml: {
        const QStringList commands = thunarCommands(text, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        // One action for the selected items, one for the shown folder.
        ASSERT_EQ(commands.size(), 2);
        EXPECT_EQ(menuFor(commands[0]), QByteArray(kItemsMenu));
        EXPECT_EQ(menuFor(commands[1]), QByteArray(kFolderMenu));
        break;
    }
    case Format::DesktopEntry: {
        const std::optional<Groups> groups = parseDesktopEntry(text, &error);
        ASSERT_TRUE(groups) << error.toStdString();
        const QString group = QLatin1String(snippet.commandGroup);
        ASSERT_TRUE(groups->contains(group)) << group.toStdString();
        const QString exec = groups->value(group).value(QStringLiteral("Exec"));
        // Nemo's folder action runs with nothing selected, the file-manager action's on the
        // location (and on one folder), and Dolphin's on one folder; the others with a selection.
        const QMap<QString, QString> entry = groups->value(QStringLiteral("Desktop Entry"));
        const bool forFolder = groups->value(group).value(QStringLiteral("Selection")) == QLatin1String("none")
            || entry.value(QStringLiteral("TargetLocation")) == QLatin1String("true")
            || entry.value(QStringLiteral("MimeType")) == QLatin1String("inode/directory;");
        EXPECT_EQ(menuFor(exec), QByteArray(forFolder ? kFolderMenu : kItemsMenu));
        break;
    }
    case Format::Shell: {
        EXPECT_TRUE(QFileInfo(file.fileName()).isExecutable());
        const ProgramRun syntax = run(QStringLiteral("/bin/sh"), { QStringLiteral("-n"), file.fileName() }, m_folder);
        ASSERT_EQ(syntax.exitCode, 0) << syntax.err.constData();
        ASSERT_TRUE(text.contains("tarsel-finder"));
        // The script runs as the file manager runs it: in the shown folder, the selected names as
        // arguments, "tarsel-finder" found on PATH. The one found here is a stand-in that turns
        // "popup" into "menu" and runs the real host.
        const QString bin = testHome() + QStringLiteral("/bin");
        const QString standIn = writeFile(
            bin + QStringLiteral("/tarsel-finder"),
            "#!/bin/sh\nc=$1; shift; [ \"$c\" = popup ] && c=menu\nexec '" TARSEL_FINDER_PROGRAM "' \"$c\" \"$@\"\n");
        QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QStringList env { QStringLiteral("PATH=") + bin + QLatin1Char(':') + qEnvironmentVariable("PATH") };
        const QStringList names { QStringLiteral("a file.txt"), QStringLiteral("b.txt") };
        const ProgramRun items = run(file.fileName(), names, m_folder, env);
        EXPECT_EQ(items.exitCode, 0) << items.err.constData();
        EXPECT_EQ(topLevel(items.out), QByteArray(kItemsMenu));
        const ProgramRun background = run(file.fileName(), {}, m_folder, env);
        EXPECT_EQ(background.exitCode, 0) << background.err.constData();
        EXPECT_EQ(topLevel(background.out), QByteArray(kFolderMenu));
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Snippets, FileManagerSnippetsTest, testing::ValuesIn(kSnippets),
                         [](const testing::TestParamInfo<Snippet>& info) {
                             QString name = QString::fromLatin1(info.param.file);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
                             return name.toStdString();
                         });
