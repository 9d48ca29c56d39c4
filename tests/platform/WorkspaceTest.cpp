#include "platform/Workspace.h"

#include "testsupport/PrivateBus.h"
#include "testsupport/TestEnvironment.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using platform::Application;
using platform::Workspace;

namespace {

struct Launch
{
    QString program;
    QStringList args;
    bool operator==(const Launch& o) const { return program == o.program && args == o.args; }
};

void PrintTo(const Launch& l, std::ostream* os)
{
    *os << qPrintable(l.program) << " [" << qPrintable(l.args.join("] [")) << "]";
}

// Records what would have been started; every test gets a fresh recorder and private XDG folders.
class WorkspaceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_systemData = tarsel::test::testHome() + "/system-share";
        m_environment.set("XDG_DATA_DIRS", QFile::encodeName(m_systemData) + ":relative/ignored");
        Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return m_launcherAnswer;
        });
    }
    void TearDown() override { Workspace::setLauncher({}); }

    QString userEntry(const QString& relative, const QByteArray& text)
    {
        return tarsel::test::writeFile(tarsel::test::testHome() + "/.local/share/applications/" + relative, text);
    }
    QString systemEntry(const QString& relative, const QByteArray& text)
    {
        return tarsel::test::writeFile(m_systemData + "/applications/" + relative, text);
    }
    static QByteArray entry(const QByteArray& name, const QByteArray& exec, const QByteArray& extra = {})
    {
        return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n" + extra;
    }
    QString existingFile(const QString& name)
    {
        return tarsel::test::writeFile(tarsel::test::testHome() + QLatin1Char('/') + name, "x");
    }

    QList<Launch> m_launches;
    bool m_launcherAnswer = true;
    QString m_systemData;
    tarsel::test::ScopedEnvironment m_environment;
};

} // namespace

TEST_F(WorkspaceTest, ReadsDesktopEntriesInPrecedenceOrder)
{
    systemEntry("org.example.Editor.desktop", entry("System Editor", "sys-editor %F"));
    userEntry("org.example.Editor.desktop",
              entry("My Editor", "my-editor %F", "Icon=my\\sicon\n[Desktop Action new]\nName=Other\nExec=other\n"));
    systemEntry("kde/org.kde.Viewer.desktop", entry("Viewer", "viewer %u", "NoDisplay=true\n"));
    // Hidden means deleted: the user's entry hides the system entry of the same id.
    systemEntry("gone.desktop", entry("Gone", "gone"));
    userEntry("gone.desktop", "[Desktop Entry]\nHidden=true\n");
    systemEntry("link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    systemEntry("nogroup.desktop", "Name=No Group\nExec=x\n");
    systemEntry("notes.txt", entry("Not An Entry", "x"));

    const QList<Application> apps = Workspace::applications();
    QStringList ids;
    for (const Application& app : apps) {
        ids << app.id;
    }
    ids.sort();
    EXPECT_EQ(ids, QStringList({ "kde-org.kde.Viewer", "org.example.Editor" }));

    const Application editor = Workspace::applicationForId("org.example.Editor.desktop");
    EXPECT_EQ(editor.name, "My Editor");
    EXPECT_EQ(editor.exec, "my-editor %F");
    EXPECT_EQ(editor.icon, "my icon");
    EXPECT_TRUE(editor.desktopFile.startsWith(tarsel::test::testHome() + "/.local/share/"));

    EXPECT_EQ(Workspace::applicationForId("kde-org.kde.Viewer").name, "Viewer");
    EXPECT_EQ(Workspace::applicationForName("viewer").id, "kde-org.kde.Viewer");
    EXPECT_FALSE(Workspace::applicationForName("System Editor").isValid());
    EXPECT_FALSE(Workspace::applicationForId("gone").isValid());
    EXPECT_FALSE(Workspace::applicationForId(QString()).isValid());
}

TEST_F(WorkspaceTest, LookupByIdAgreesWithTheFullList)
{
    // Both files make the id "org-example-Tool"; the walk takes the first in path order.
    userEntry("org-example-Tool.desktop", entry("Flat", "flat"));
    userEntry("org/example/Tool.desktop", entry("Nested", "nested"));
    userEntry("org/example-Other.desktop", entry("Other", "other"));
    systemEntry("org/example/Other.desktop", entry("System Other", "sysother"));
    systemEntry("escape.desktop", entry("Escape", "escape"));
    userEntry("sub/.keep", "");

    QHash<QString, QString> names;
    for (const Application& app : Workspace::applications()) {
        names.insert(app.id, app.name);
        EXPECT_EQ(Workspace::applicationForId(app.id).desktopFile, app.desktopFile) << qPrintable(app.id);
    }
    EXPECT_EQ(names.value("org-example-Tool"), "Flat");
    EXPECT_EQ(names.value("org-example-Other"), "Other");
    EXPECT_EQ(names.size(), 3);

    // An id never leads out of the applications folders.
    EXPECT_FALSE(Workspace::applicationForId("sub-..-..-..-..-system-share-applications-escape").isValid());
    EXPECT_FALSE(Workspace::applicationForId("../../system-share/applications/escape").isValid());
}

TEST_F(WorkspaceTest, OpensUrlsAndFilesWithTheDesktopOpener)
{
    EXPECT_TRUE(Workspace::openUrl(QUrl("https://example.org/a b?q=1")));
    const QString file = existingFile("report 1.txt");
    EXPECT_TRUE(Workspace::openFile(file));
    EXPECT_TRUE(Workspace::openUrl(QUrl::fromLocalFile(file)));
    EXPECT_EQ(m_launches,
              QList<Launch>({ { "xdg-open", { "https://example.org/a%20b?q=1" } },
                              { "xdg-open", { file } },
                              { "xdg-open", { file } } }));

    m_launches.clear();
    EXPECT_FALSE(Workspace::openFile(tarsel::test::testHome() + "/missing.txt"));
    EXPECT_FALSE(Workspace::openUrl(QUrl()));
    EXPECT_TRUE(m_launches.isEmpty());

    m_launcherAnswer = false;
    EXPECT_FALSE(Workspace::openFile(file));
}

TEST_F(WorkspaceTest, ExecFieldCodesBecomeArgumentsNeverAShellLine)
{
    const QString a = existingFile("a b.txt");
    const QString b = existingFile("x; rm -rf ~ $(id).txt");

    const Application many { "many", "Many", "editor --new %F --icon-free %i %c %k 100%% %d", {}, {} };
    ASSERT_TRUE(Workspace::openFiles({ a, b }, many));
    EXPECT_EQ(m_launches, QList<Launch>({ { "editor", { "--new", a, b, "--icon-free", "100%" } } }));

    // A program that takes one file is started once per file.
    m_launches.clear();
    const Application one { "one", "One", "viewer --file=%f", {}, {} };
    ASSERT_TRUE(Workspace::openFiles({ a, b }, one));
    EXPECT_EQ(m_launches, QList<Launch>({ { "viewer", { "--file=" + a } }, { "viewer", { "--file=" + b } } }));

    m_launches.clear();
    const Application urls { "urls", "Urls", "browser %U", {}, {} };
    ASSERT_TRUE(Workspace::openFiles({ a }, urls));
    EXPECT_EQ(m_launches, QList<Launch>({ { "browser", { QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded) } } }));
    EXPECT_TRUE(m_launches.value(0).args.value(0).contains("a%20b.txt"));

    // Quoting as desktop entries write it, after the value's own escapes were read.
    m_launches.clear();
    userEntry("quoted.desktop", entry("Quoted", "\"/opt/My App/run\" -c \"echo \\\\\"$1\\\\\" \\\\$HOME\" '' %f"));
    ASSERT_TRUE(Workspace::openFiles({ b }, Application { "quoted", {}, {}, {}, {} }));
    EXPECT_EQ(m_launches, QList<Launch>({ { "/opt/My App/run", { "-c", "echo \"$1\" $HOME", "''", b } } }));
}

// A quoted "%f" used to be filled into the argument's text, so "sh -c \"... %f\"" handed a
// name like "report $(touch pwned).txt" to the shell as code; then a wrapper in front of the
// interpreter ("nice sh -c %f") or an option between the interpreter and its code
// ("bash -O extglob -c %f") made the name the code itself. A name now only ever becomes a
// whole argument or an option's value, never the word a code option runs, wherever that
// option stands in the line; other entries are refused with a message.
TEST_F(WorkspaceTest, FileNamesBecomeWholeArgumentsOrTheEntryIsRefused)
{
    struct Case
    {
        const char* exec;
        QStringList argv; ///< the launch, "NAME" standing for the file and "URL" for its address; empty: refused
    };
    const QString printf = "printf '%s' \"$1\"";
    const QString sh = "sh";
    const QString name = "NAME";
    const Case cases[] = {
        // Shell code around a name, and a name as the code itself.
        { "sh -c \"touch marker; echo %f\"", {} },
        { "bash -lc \"cat %f\"", {} },
        { "sh -c %f", {} },
        { "env LANG=C /bin/sh -e -c %f", {} },
        { "python3 -c \"print('%f')\"", {} },
        { "viewer \"--file=%f\"", {} },
        { "viewer --all=%F", {} },
        // Wrappers in front of the interpreter.
        { "nice sh -c %f", {} },
        { "nice -n 5 bash -c %F", {} },
        { "timeout 5 sh -c %f", {} },
        { "setsid sh -c %u", {} },
        { "nohup /bin/dash -c %U", {} },
        { "env sh -c %f", {} },
        { "env -i PATH=/bin sh -c %f", {} },
        { "stdbuf -oL sh -c %f", {} },
        { "ionice -c 3 sh -c %f", {} },
        { "chrt -f 10 sh -c %f", {} },
        { "taskset -c 0 zsh -c %f", {} },
        { "flatpak-spawn --host sh -c %f", {} },
        { "tarsel-unknown-wrapper --quiet sh -c %f", {} },
        { "env -S \"sh -c\" %f", {} },
        { "/usr/bin/python3.12 -c %f", {} },
        { "perl -ne %f", {} },
        { "perl -e 1 -e %f", {} },
        { "node -p %f", {} },
        { "ruby --eval=%f", {} },
        { "xterm -e %f", {} },
        { "vim -c %f", {} },
        // Options between the interpreter and its code.
        { "bash -O extglob -c %f", {} },
        { "bash -c -O extglob %f", {} },
        { "bash -xc %f", {} },
        { "bash -c -- %f", {} },
        // awk and sed take their program as the first operand.
        { "awk %f", {} },
        { "nice gawk -F : %f", {} },
        { "sed %f", {} },
        // A name glued into a word that is no option's value.
        { "viewer file:%f", {} },
        { "viewer +%f", {} },
        // Files an entry does not place follow the command.
        { "nice sh -c", {} },
        { "bash -O extglob -c", {} },
        // Legitimate lines: the name is an argument of its own, or an option's value.
        { "sh -c \"exec foo \\\"\\$@\\\"\" sh", { sh, "-c", "exec foo \"$@\"", sh, name } },
        { "nice viewer", { "nice", "viewer", name } },
        { "sh -c \"printf '%%s' \\\"\\$1\\\"\" sh %f", { sh, "-c", printf, sh, name } },
        { "sh -c \"exec foo \\\"\\$@\\\"\" sh %F", { sh, "-c", "exec foo \"$@\"", sh, name } },
        { "nice -n 5 python3 -c \"import sys; print(sys.argv[1])\" %f",
          { "nice", "-n", "5", "python3", "-c", "import sys; print(sys.argv[1])", name } },
        { "awk \"{ print }\" %f", { "awk", "{ print }", name } },
        { "sed -n -e p %f", { "sed", "-n", "-e", "p", name } },
        { "gimp %U", { "gimp", "URL" } },
        { "code --new-window %F", { "code", "--new-window", name } },
        { "vlc --started-from-file %U", { "vlc", "--started-from-file", "URL" } },
        { "taskset -c 0 gimp %U", { "taskset", "-c", "0", "gimp", "URL" } },
        { "nice timeout 5 viewer %f", { "nice", "timeout", "5", "viewer", name } },
        { "viewer --file=%f", { "viewer", "--file=NAME" } },
        { "viewer \"%f\"", { "viewer", name } },
    };
    const QStringList names
        = { "report $(touch pwned).txt", "a\"; touch pwned; \".txt", "`touch pwned`.txt", "it's $HOME\\ %f\n.txt" };
    for (const Case& c : cases) {
        for (const QString& fileName : names) {
            SCOPED_TRACE(std::string(c.exec) + " / " + fileName.toStdString());
            const QString file = existingFile(fileName);
            m_launches.clear();
            QString error;
            const bool opened
                = Workspace::openFiles({ file }, Application { "x", "X", QString::fromUtf8(c.exec), {}, {} }, &error);
            if (c.argv.isEmpty()) {
                EXPECT_FALSE(opened);
                EXPECT_TRUE(m_launches.isEmpty());
                EXPECT_TRUE(error.startsWith("Failed to open with \"X\".")) << error.toStdString();
                continue;
            }
            ASSERT_TRUE(opened) << error.toStdString();
            QStringList expected = c.argv;
            for (QString& arg : expected) {
                arg.replace("NAME", file);
                arg.replace("URL", QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded()));
            }
            EXPECT_EQ(m_launches, QList<Launch>({ { expected.first(), expected.mid(1) } }));
        }
    }

    // The refusal says why, in the words it always used.
    QString error;
    EXPECT_FALSE(
        Workspace::openFiles({ existingFile("a.txt") }, Application { "x", "X", "nice sh -c %f", {}, {} }, &error));
    EXPECT_TRUE(error.contains("the command runs a file name as code")) << error.toStdString();
}

TEST_F(WorkspaceTest, OpenFilesFindsTheApplicationAndAppendsFilesWithoutFieldCodes)
{
    userEntry("org.example.Plain.desktop", entry("Plain Tool", "plain-tool --flag"));
    const QString a = existingFile("a.txt");

    ASSERT_TRUE(Workspace::openFiles({ a }, Application { "org.example.Plain", {}, {}, {}, {} }));
    ASSERT_TRUE(Workspace::openFiles({ a }, Application { {}, "plain tool", {}, {}, {} }));
    ASSERT_TRUE(Workspace::openFiles({}, Application { "org.example.Plain.desktop", {}, {}, {}, {} }));
    const Launch withFile { "plain-tool", { "--flag", a } };
    EXPECT_EQ(m_launches, QList<Launch>({ withFile, withFile, { "plain-tool", { "--flag" } } }));

    m_launches.clear();
    EXPECT_FALSE(Workspace::openFiles({ a }, Application { "org.example.Missing", {}, {}, {}, {} }));
    EXPECT_FALSE(Workspace::openFiles({ a }, Application { "x", {}, "\"unterminated %f", {}, {} }));
    EXPECT_FALSE(Workspace::openFiles({ a }, Application { "x", {}, "%f", {}, {} }));
    EXPECT_TRUE(m_launches.isEmpty());
}

TEST_F(WorkspaceTest, FindsProgramsOnThePath)
{
    const QString bin = tarsel::test::testHome() + "/bin";
    tarsel::test::writeFile(bin + "/tarsel-tool", "#!/bin/sh\n");
    QFile::setPermissions(bin + "/tarsel-tool", QFile::ReadOwner | QFile::ExeOwner);
    tarsel::test::writeFile(bin + "/tarsel-plain", "not a program\n");
    QFile::setPermissions(bin + "/tarsel-plain", QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(bin + "/tarsel-folder");

    auto path = std::make_unique<tarsel::test::ScopedEnvironment>();
    path->set("PATH", QFile::encodeName(bin) + ":" + qgetenv("PATH"));
    EXPECT_TRUE(Workspace::hasProgram("tarsel-tool"));
    EXPECT_TRUE(Workspace::hasProgram("sh"));
    EXPECT_FALSE(Workspace::hasProgram("tarsel-plain"));
    EXPECT_FALSE(Workspace::hasProgram("tarsel-folder"));
    EXPECT_FALSE(Workspace::hasProgram("tarsel-no-such-program"));
    EXPECT_FALSE(Workspace::hasProgram(QString()));
    EXPECT_TRUE(Workspace::hasProgram(bin + "/tarsel-tool"));
    path.reset();
    EXPECT_FALSE(Workspace::hasProgram("tarsel-tool"));
}

// --- revealing in the file manager, with a real session bus -----------------------------------

namespace {

// Stands in for the desktop's file manager on the session bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId)
        std::printf("ShowItems %s\n", uris.join(QLatin1Char(' ')).toUtf8().constData());
        std::fflush(stdout);
    }
    void ShowItemProperties(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId)
        std::printf("ShowItemProperties %s\n", uris.join(QLatin1Char(' ')).toUtf8().constData());
        std::fflush(stdout);
    }
};

tarsel::test::ChildResult revealInChild(const QByteArray& busAddress, const QString& path)
{
    tarsel::test::ScopedEnvironment env;
    env.set("DBUS_SESSION_BUS_ADDRESS", busAddress);
    return tarsel::test::runChild("workspaceReveal", { path });
}

} // namespace

TARSEL_TEST_CHILD(workspaceReveal)
{
    Workspace::setLauncher([](const QString& program, const QStringList& launchArgs) {
        std::printf("launch %s %s\n", qPrintable(program), launchArgs.join(QLatin1Char(' ')).toUtf8().constData());
        return true;
    });
    const bool revealed = Workspace::reveal(args.value(0));
    std::printf("revealed=%d\n", revealed ? 1 : 0);
    return 0;
}

TARSEL_TEST_CHILD(workspaceProperties)
{
    const bool answers = Workspace::hasFileManager();
    const bool shown = Workspace::showItemProperties(args);
    std::printf("answers=%d shown=%d\n", answers ? 1 : 0, shown ? 1 : 0);
    return 0;
}

TARSEL_TEST_CHILD(fakeFileManager)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeFileManager manager;
    if (!bus.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots)
        || !bus.registerService("org.freedesktop.FileManager1")) {
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

TEST(WorkspaceRevealTest, WithoutASessionBusOpensTheParentFolder)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + "/folder/item.txt", "x");
    const auto r = revealInChild("unix:path=/nonexistent/tarsel-bus", file);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "launch xdg-open " + QFile::encodeName(tarsel::test::testHome()) + "/folder\nrevealed=1\n");

    const auto missing = revealInChild("unix:path=/nonexistent/tarsel-bus", file + ".missing");
    EXPECT_EQ(missing.out, QByteArray("revealed=0\n"));
}

TEST(WorkspaceRevealTest, AsksTheFileManagerOverTheSessionBus)
{
    tarsel::test::PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + "/shown dir/it em.txt", "x");

    // A bus without a file manager: the parent folder opens instead.
    const auto noManager = revealInChild(bus.address(), file);
    EXPECT_TRUE(noManager.out.startsWith("launch xdg-open ")) << noManager.out.constData();
    {
        tarsel::test::ScopedEnvironment busEnv;
        busEnv.set("DBUS_SESSION_BUS_ADDRESS", bus.address());
        const auto props = tarsel::test::runChild("workspaceProperties", { file });
        EXPECT_EQ(props.out, QByteArray("answers=0 shown=0\n")) << props.err.constData();
    }

    QProcess manager;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TARSEL_TEST_CHILD", "fakeFileManager");
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus.address()));
    manager.setProcessEnvironment(env);
    manager.start(tarsel::test::testBinary(), {});
    ASSERT_TRUE(manager.waitForReadyRead(20000)) << manager.readAllStandardError().constData();
    ASSERT_EQ(manager.readLine(), QByteArray("ready\n"));

    const auto r = revealInChild(bus.address(), file);
    EXPECT_EQ(r.out, QByteArray("revealed=1\n")) << r.err.constData();
    ASSERT_TRUE(manager.waitForReadyRead(20000));
    EXPECT_EQ(manager.readLine(), "ShowItems " + QUrl::fromLocalFile(file).toEncoded() + "\n");

    // Properties go to the same service; items that do not exist are left out.
    tarsel::test::ScopedEnvironment busEnv;
    busEnv.set("DBUS_SESSION_BUS_ADDRESS", bus.address());
    const auto props = tarsel::test::runChild("workspaceProperties", { file, file + ".gone" });
    EXPECT_EQ(props.out, QByteArray("answers=1 shown=1\n")) << props.err.constData();
    ASSERT_TRUE(manager.waitForReadyRead(20000));
    EXPECT_EQ(manager.readLine(), "ShowItemProperties " + QUrl::fromLocalFile(file).toEncoded() + "\n");
    manager.kill();
    manager.waitForFinished();
}

#include "WorkspaceTest.moc"
