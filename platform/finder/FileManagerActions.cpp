#include "platform/finder/FileManagerActions.h"

#include "platform/LoginItem.h"
#include "platform/Paths.h"
#include "platform/finder/ActionFiles.h"
#include "platform/finder/UcaActions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <functional>

namespace platform {

namespace {

const QString kHostName = QStringLiteral("tarsel-finder");
const QString kItemsId = QStringLiteral("tarsel-items");
const QString kFolderId = QStringLiteral("tarsel-folder");
const QString kScriptId = QStringLiteral("tarsel-script");
const QString kIcon = QStringLiteral("view-more");
const QString kItemsComment = QStringLiteral("Tarsel's menu for the selected items");
const QString kFolderComment = QStringLiteral("Tarsel's menu for this folder");

// The host as a word of a command line that a shell-like parser splits (Thunar, Nemo, sh).
QString shellWord(const QString& path)
{
    static const QString plain = QStringLiteral("/._-+,:@=");
    bool needsQuotes = path.isEmpty();
    for (const QChar c : path) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && !plain.contains(c)) {
            needsQuotes = true;
        }
    }
    if (!needsQuotes) {
        return path;
    }
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// The host as the program of a desktop entry's Exec line.
QString execWord(const QString& path)
{
    return LoginItem::execLine(path, {});
}

QString thunarAction(const QString& id, const QString& name, const QString& command, const QString& description,
                     bool filesToo)
{
    QString xml = QStringLiteral("<action>\n\t<icon>%1</icon>\n\t<name>%2</name>\n\t<submenu></submenu>\n"
                                 "\t<unique-id>%3</unique-id>\n\t<command>%4</command>\n"
                                 "\t<description>%5</description>\n\t<range></range>\n\t<patterns>*</patterns>\n"
                                 "\t<directories/>\n")
                      .arg(kIcon, name.toHtmlEscaped(), id, command.toHtmlEscaped(), description.toHtmlEscaped());
    if (filesToo) {
        xml += QStringLiteral("\t<audio-files/>\n\t<image-files/>\n\t<other-files/>\n\t<text-files/>\n"
                              "\t<video-files/>\n");
    }
    return xml + QStringLiteral("</action>");
}

QString script(const QString& host, const QString& id)
{
    const QString word = shellWord(host);
    return QStringLiteral("#!/bin/sh\n%1\n"
                          "# Tarsel's menu: for the selected items, or for the shown folder when nothing is selected.\n"
                          "# The file manager runs it in the shown folder with the selected names as arguments.\n"
                          "if [ \"$#\" -gt 0 ]; then\n    exec %2 popup -- \"$@\"\nfi\n"
                          "exec %2 popup --kind 1 --target \"$PWD\"\n")
        .arg(ActionFiles::markerLine(id), word);
}

QList<ActionFiles::File> nemoFiles(const QString& host)
{
    const QString word = shellWord(host);
    auto file = [&](const QString& id, const QString& comment, const QString& args, const QString& selection) {
        return QStringLiteral("%1\n[Nemo Action]\nName=Tarsel\nComment=%2\nExec=%3 %4\nIcon-Name=%5\n"
                              "Selection=%6\nExtensions=any;\n")
            .arg(ActionFiles::markerLine(id), comment, word, args, kIcon, selection);
    };
    return { { QStringLiteral("tarsel.nemo_action"),
               file(kItemsId, kItemsComment, QStringLiteral("popup %F"), QStringLiteral("notnone")), false },
             { QStringLiteral("tarsel-folder.nemo_action"),
               file(kFolderId, kFolderComment, QStringLiteral("popup --kind 1 --target %P"), QStringLiteral("none")),
               false } };
}

// Dolphin cannot tell its folder background from a selected folder: both pass the folder as the
// one selected item. The item menu therefore comes with a second entry for a single folder that
// gives the folder's own menu, the one to choose on the background.
QList<ActionFiles::File> dolphinFiles(const QString& host)
{
    const QString exec = execWord(host);
    const QString items = QStringLiteral("%1\n[Desktop Entry]\nType=Service\nMimeType=all/all;\nActions=tarselMenu;\n"
                                         "X-KDE-Priority=TopLevel\n\n[Desktop Action tarselMenu]\nName=Tarsel\n"
                                         "Icon=%2\nExec=%3 popup %F\n")
                              .arg(ActionFiles::markerLine(kItemsId), kIcon, exec);
    const QString folder = QStringLiteral("%1\n[Desktop Entry]\nType=Service\nMimeType=inode/directory;\n"
                                          "X-KDE-RequiredNumberOfUrls=1\nActions=tarselFolderMenu;\n"
                                          "X-KDE-Priority=TopLevel\n\n[Desktop Action tarselFolderMenu]\n"
                                          "Name=Tarsel (folder)\nIcon=%2\nExec=%3 popup --kind 1 --target %f\n")
                               .arg(ActionFiles::markerLine(kFolderId), kIcon, exec);
    return { { QStringLiteral("tarsel.desktop"), items, true },
             { QStringLiteral("tarsel-folder.desktop"), folder, true } };
}

// PCManFM-Qt reads only TargetContext and offers the context actions on its folder background
// too, with the shown folder as the one selected item; it never offers a location-only action.
// Like Dolphin, the item menu therefore comes with a second entry for one selected folder, which
// gives the folder's own menu and is the one to choose on the background. TargetLocation keeps
// it on the location menu of the file managers that have one.
QList<ActionFiles::File> fileManagerActionFiles(const QString& host)
{
    const QString exec = execWord(host);
    auto file = [&](const QString& id, const QString& name, const QString& comment, const QString& profile,
                    bool location, const QString& conditions, const QString& args) {
        return QStringLiteral("%1\n[Desktop Entry]\nType=Action\nName=%2\nTooltip=%3\nIcon=%4\nProfiles=%5;\n"
                              "TargetContext=true\nTargetLocation=%6\n\n[X-Action-Profile %5]\n%7Exec=%8 %9\n")
            .arg(ActionFiles::markerLine(id), name, comment, kIcon, profile,
                 location ? QStringLiteral("true") : QStringLiteral("false"), conditions, exec, args);
    };
    return { { QStringLiteral("tarsel.desktop"),
               file(kItemsId, QStringLiteral("Tarsel"), kItemsComment, QStringLiteral("tarselItems"), false,
                    QStringLiteral("MimeTypes=all/all;\nSelectionCount=>0\n"), QStringLiteral("popup %F")),
               false },
             { QStringLiteral("tarsel-folder.desktop"),
               file(kFolderId, QStringLiteral("Tarsel (folder)"), kFolderComment, QStringLiteral("tarselFolder"), true,
                    QStringLiteral("MimeTypes=inode/directory;\nSelectionCount=1\n"),
                    QStringLiteral("popup --kind 1 --target %f")),
               false } };
}

QList<UcaActions::Action> thunarActions(const QString& host)
{
    const QString word = shellWord(host);
    return { { kItemsId,
               thunarAction(kItemsId, QStringLiteral("Tarsel"), word + QStringLiteral(" popup %F"), kItemsComment,
                            true) },
             { kFolderId,
               thunarAction(kFolderId, QStringLiteral("Tarsel (folder)"),
                            word + QStringLiteral(" popup --kind 1 --target %f"), kFolderComment, false) } };
}

// The system's own uca.xml, which Thunar shows while the user has none.
QString thunarSeed()
{
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dirs.isEmpty()) {
        dirs << QStringLiteral("/etc/xdg");
    }
    for (const QString& dir : std::as_const(dirs)) {
        const QString file = dir + QStringLiteral("/Thunar/uca.xml");
        if (QFileInfo(file).isFile()) {
            return file;
        }
    }
    return QString();
}

// One supported file manager: how to tell it is installed, where its actions live, and how to
// write, remove and find ours.
struct Manager
{
    QString name;
    QStringList programs;
    bool restartNeeded;
    std::function<QString()> place;
    std::function<QList<ActionFiles::File>(const QString& host)> files; ///< empty for Thunar
};

QString ucaFile()
{
    return Paths::configHome() + QStringLiteral("/Thunar/uca.xml");
}

const QList<Manager>& managers()
{
    static const QList<Manager> all {
        { QStringLiteral("Thunar"), { QStringLiteral("thunar") }, true, ucaFile, {} },
        { QStringLiteral("Nemo"),
          { QStringLiteral("nemo") },
          false,
          [] { return Paths::dataHome() + QStringLiteral("/nemo/actions"); },
          nemoFiles },
        { QStringLiteral("Caja"),
          { QStringLiteral("caja") },
          false,
          [] { return Paths::configHome() + QStringLiteral("/caja/scripts"); },
          [](const QString& host) {
              return QList<ActionFiles::File> { { QStringLiteral("Tarsel"), script(host, kScriptId), true } };
          } },
        { QStringLiteral("Dolphin"),
          { QStringLiteral("dolphin"), QStringLiteral("konqueror") },
          false,
          [] { return Paths::dataHome() + QStringLiteral("/kio/servicemenus"); },
          dolphinFiles },
        { QStringLiteral("Nautilus"),
          { QStringLiteral("nautilus") },
          false,
          [] { return Paths::dataHome() + QStringLiteral("/nautilus/scripts"); },
          [](const QString& host) {
              return QList<ActionFiles::File> { { QStringLiteral("Tarsel"), script(host, kScriptId), true } };
          } },
        { QStringLiteral("PCManFM-Qt"),
          { QStringLiteral("pcmanfm-qt") },
          true,
          [] { return Paths::dataHome() + QStringLiteral("/file-manager/actions"); },
          fileManagerActionFiles },
    };
    return all;
}

bool isInstalled(const Manager& manager)
{
    for (const QString& program : manager.programs) {
        if (!QStandardPaths::findExecutable(program).isEmpty()) {
            return true;
        }
    }
    return false;
}

QStringList fileNames(const Manager& manager)
{
    QStringList names;
    for (const ActionFiles::File& file : manager.files(QStringLiteral("/"))) {
        names << file.name;
    }
    return names;
}

bool hasActions(const Manager& manager)
{
    if (!manager.files) {
        QStringList ids;
        QString error;
        return UcaActions::uniqueIds(manager.place(), &ids, &error) && ids.contains(kItemsId);
    }
    return ActionFiles::oursInPlace(manager.place(), fileNames(manager)) > 0;
}

// Characters a host path may not hold: they mean something to the file managers' command lines
// ('%' starts a field code, the others break the quoting of one or another format).
bool isCarriable(const QString& host, QString* why)
{
    for (const QChar c : host) {
        if (c == QLatin1Char('%') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\') || c.unicode() < 0x20) {
            *why = QStringLiteral("The path of tarsel-finder, \"%1\", holds the character '%2', which file managers' "
                                  "action commands cannot carry; install Tarsel in another folder.")
                       .arg(host, c);
            return false;
        }
    }
    if (!QFileInfo(host).isAbsolute()) {
        *why = QStringLiteral("The path of tarsel-finder, \"%1\", is not absolute.").arg(host);
        return false;
    }
    return true;
}

} // namespace

QString FileManagerActions::hostProgram()
{
    if (QCoreApplication::instance() != nullptr) {
        const QFileInfo beside(QCoreApplication::applicationDirPath() + QLatin1Char('/') + kHostName);
        if (beside.isFile() && beside.isExecutable()) {
            return beside.absoluteFilePath();
        }
    }
    const QString found = QStandardPaths::findExecutable(kHostName);
    return found.isEmpty() ? QString() : QFileInfo(found).absoluteFilePath();
}

QStringList FileManagerActions::installed()
{
    QStringList names;
    for (const Manager& manager : managers()) {
        if (isInstalled(manager)) {
            names << manager.name;
        }
    }
    return names;
}

bool FileManagerActions::anyHasActions()
{
    // Reading a manager's place is cheaper than looking for its programs along PATH, and where
    // nothing of ours is in place (as before the menu is first turned on) it settles the answer.
    for (const Manager& manager : managers()) {
        if (hasActions(manager) && isInstalled(manager)) {
            return true;
        }
    }
    return false;
}

QList<FileManagerActions::Outcome> FileManagerActions::enable(const QString& host)
{
    QList<Outcome> outcomes;
    QString why;
    const bool carriable = isCarriable(host, &why);
    for (const Manager& manager : managers()) {
        Outcome outcome;
        outcome.name = manager.name;
        outcome.installed = isInstalled(manager);
        if (!outcome.installed) {
            continue;
        }
        if (!carriable) {
            outcome.message = why;
            outcomes << outcome;
            continue;
        }
        if (!manager.files) {
            const FileChange result = UcaActions::merge(manager.place(), thunarActions(host), thunarSeed());
            outcome.ok = result.ok;
            outcome.changed = result.changed;
            outcome.message = result.error;
        } else {
            const FileChange result = ActionFiles::write(manager.place(), manager.files(host));
            outcome.ok = result.ok;
            outcome.changed = result.changed;
            outcome.message = result.error;
        }
        outcome.restartNeeded = outcome.changed && manager.restartNeeded;
        outcomes << outcome;
    }
    return outcomes;
}

QList<FileManagerActions::Outcome> FileManagerActions::disable()
{
    QList<Outcome> outcomes;
    for (const Manager& manager : managers()) {
        Outcome outcome;
        outcome.name = manager.name;
        outcome.installed = isInstalled(manager);
        if (!manager.files) {
            const FileChange result = UcaActions::remove(manager.place(), { kItemsId, kFolderId });
            outcome.ok = result.ok;
            outcome.changed = result.changed;
            outcome.message = result.error;
        } else {
            const FileChange result = ActionFiles::remove(manager.place(), fileNames(manager));
            outcome.ok = result.ok;
            outcome.changed = result.changed;
            outcome.message = result.error;
        }
        outcome.restartNeeded = outcome.changed && manager.restartNeeded && outcome.installed;
        // A file manager that is not installed and had nothing of ours is not worth a line.
        if (outcome.installed || outcome.changed || !outcome.ok) {
            outcomes << outcome;
        }
    }
    return outcomes;
}

QStringList FileManagerActions::describe(const QList<Outcome>& outcomes, bool enabling)
{
    QStringList lines;
    for (const Outcome& outcome : outcomes) {
        if (!outcome.ok) {
            lines << QStringLiteral("%1: left as it was. %2").arg(outcome.name, outcome.message);
            continue;
        }
        QString line = QStringLiteral("%1: Tarsel is %2.")
                           .arg(outcome.name, enabling ? QStringLiteral("on") : QStringLiteral("off"));
        if (outcome.restartNeeded) {
            line += QStringLiteral(" Quit and start %1 again to see the change.").arg(outcome.name);
        }
        lines << line;
    }
    if (outcomes.isEmpty() && enabling) {
        lines << QStringLiteral("No supported file manager was found (Thunar, Nemo, Caja, Dolphin, Konqueror, "
                                "Nautilus, PCManFM-Qt).");
    }
    return lines;
}

} // namespace platform
