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
    *os << qPrintable(l.program) << " [" << qPrintable(l.args.join(QStringLiteral("] ["))) << "]";
}

// Records what would have been started; every test gets a fresh recorder and private XDG folders.
class WorkspaceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_systemData = tarsel::test::testHome() + QStringLiteral("/system-share");
        m_environment.set("XDG_DATA_DIRS", QFile::encodeName(m_systemData) + ":relative/ignored");
        Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return m_launcherAnswer;
        });
    }
    void TearDown() override { Workspace::setLauncher({}); }

    QString userEntry(const QString& relative, const QByteArray& text)
    {
        return tarsel::test::writeFile(
            tarsel::test::testHome() + QStringLiteral("/.local/share/applications/") + relative, text);
    }
    QString systemEntry(const QString& relative, const QByteArray& text)
    {
        return tarsel::test::writeFile(m_systemData + QStringLiteral("/applications/") + relative, text);
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
    systemEntry(QStringLiteral("org.example.Editor.desktop"), entry("System Editor", "sys-editor %F"));
    userEntry(QStringLiteral("org.example.Editor.desktop"),
              entry("My Editor", "my-editor %F", "Icon=my\\sicon\n[Desktop Action new]\nName=Other\nExec=other\n"));
    systemEntry(QStringLiteral("kde/org.kde.Viewer.desktop"), entry("Viewer", "viewer %u", "NoDisplay=true\n"));
    // Hidden means deleted: the user's entry hides the system entry of the same id.
    systemEntry(QStringLiteral("gone.desktop"), entry("Gone", "gone"));
    userEntry(QStringLiteral("gone.desktop"), "[Desktop Entry]\nHidden=true\n");
    systemEntry(QStringLiteral("link.desktop"), "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    systemEntry(QStringLiteral("nogroup.desktop"), "Name=No Group\nExec=x\n");
    systemEntry(QStringLiteral("notes.txt"), entry("Not An Entry", "x"));

    const QList<Application> apps = Workspace::applications();
    QStringList ids;
    for (const Application& app : apps) {
        ids << app.id;
    }
    ids.sort();
    EXPECT_EQ(ids, QStringList({ QStringLiteral("kde-org.kde.Viewer"), QStringLiteral("org.example.Editor") }));

    const Application editor = Workspace::applicationForId(QStringLiteral("org.example.Editor.desktop"));
    EXPECT_EQ(editor.name, QStringLiteral("My Editor"));
    EXPECT_EQ(editor.exec, QStringLiteral("my-editor %F"));
    EXPECT_EQ(editor.icon, QStringLiteral("my icon"));
    EXPECT_TRUE(editor.desktopFile.startsWith(tarsel::test::testHome() + QStringLiteral("/.local/share/")));

    EXPECT_EQ(Workspace::applicationForId(QStringLiteral("kde-org.kde.Viewer")).name, QStringLiteral("Viewer"));
    EXPECT_EQ(Workspace::applicationForName(QStringLiteral("viewer")).id, QStringLiteral("kde-org.kde.Viewer"));
    EXPECT_FALSE(Workspace::applicationForName(QStringLiteral("System Editor")).isValid());
    EXPECT_FALSE(Workspace::applicationForId(QStringLiteral("gone")).isValid());
    EXPECT_FALSE(Workspace::applicationForId(QString()).isValid());
}

TEST_F(WorkspaceTest, LookupByIdAgreesWithTheFullList)
{
    // Both files make the id "org-example-Tool"; the walk takes the first in path order.
    userEntry(QStringLiteral("org-example-Tool.desktop"), entry("Flat", "flat"));
    userEntry(QStringLiteral("org/example/Tool.desktop"), entry("Nested", "nested"));
    userEntry(QStringLiteral("org/example-Other.desktop"), entry("Other", "other"));
    systemEntry(QStringLiteral("org/example/Other.desktop"), entry("System Other", "sysother"));
    systemEntry(QStringLiteral("escape.desktop"), entry("Escape", "escape"));
    userEntry(QStringLiteral("sub/.keep"), "");

    QHash<QString, QString> names;
    for (const Application& app : Workspace::applications()) {
        names.insert(app.id, app.name);
        EXPECT_EQ(Workspace::applicationForId(app.id).desktopFile, app.desktopFile) << qPrintable(app.id);
    }
    EXPECT_EQ(names.value(QStringLiteral("org-example-Tool")), QStringLiteral("Flat"));
    EXPECT_EQ(names.value(QStringLiteral("org-example-Other")), QStringLiteral("Other"));
    EXPECT_EQ(names.size(), 3);

    // An id never leads out of the applications folders.
    EXPECT_FALSE(
        Workspace::applicationForId(QStringLiteral("sub-..-..-..-..-system-share-applications-escape")).isValid());
    EXPECT_FALSE(Workspace::applicationForId(QStringLiteral("../../system-share/applications/escape")).isValid());
}

TEST_F(WorkspaceTest, OpensUrlsAndFilesWithTheDesktopOpener)
{
    EXPECT_TRUE(Workspace::openUrl(QUrl(QStringLiteral("https://example.org/a b?q=1"))));
    const QString file = existingFile(QStringLiteral("report 1.txt"));
    EXPECT_TRUE(Workspace::openFile(file));
    EXPECT_TRUE(Workspace::openUrl(QUrl::fromLocalFile(file)));
    EXPECT_EQ(m_launches,
              QList<Launch>({ { QStringLiteral("xdg-open"), { QStringLiteral("https://example.org/a%20b?q=1") } },
                              { QStringLiteral("xdg-open"), { file } },
                              { QStringLiteral("xdg-open"), { file } } }));

    m_launches.clear();
    EXPECT_FALSE(Workspace::openFile(tarsel::test::testHome() + QStringLiteral("/missing.txt")));
    EXPECT_FALSE(Workspace::openUrl(QUrl()));
    EXPECT_TRUE(m_launches.isEmpty());

    m_launcherAnswer = false;
    EXPECT_FALSE(Workspace::openFile(file));
}

TEST_F(WorkspaceTest, ExecFieldCodesBecomeArgumentsNeverAShellLine)
{
    const QString a = existingFile(QStringLiteral("a b.txt"));
    const QString b = existingFile(QStringLiteral("x; rm -rf ~ $(id).txt"));

    const Application many { QStringLiteral("many"),
                             QStringLiteral("Many"),
                             QStringLiteral("editor --new %F --icon-free %i %c %k 100%% %d"),
                             {},
                             {} };
    ASSERT_TRUE(Workspace::openFiles({ a, b }, many));
    EXPECT_EQ(m_launches,
              QList<Launch>(
                  { { QStringLiteral("editor"),
                      { QStringLiteral("--new"), a, b, QStringLiteral("--icon-free"), QStringLiteral("100%") } } }));

    // A program that takes one file is started once per file.
    m_launches.clear();
    const Application one { QStringLiteral("one"), QStringLiteral("One"), QStringLiteral("viewer --file=%f"), {}, {} };
    ASSERT_TRUE(Workspace::openFiles({ a, b }, one));
    EXPECT_EQ(m_launches,
              QList<Launch>({ { QStringLiteral("viewer"), { QStringLiteral("--file=") + a } },
                              { QStringLiteral("viewer"), { QStringLiteral("--file=") + b } } }));

    m_launches.clear();
    const Application urls { QStringLiteral("urls"), QStringLiteral("Urls"), QStringLiteral("browser %U"), {}, {} };
    ASSERT_TRUE(Workspace::openFiles({ a }, urls));
    EXPECT_EQ(
        m_launches,
        QList<Launch>({ { QStringLiteral("browser"), { QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded) } } }));
    EXPECT_TRUE(m_launches.value(0).args.value(0).contains(QStringLiteral("a%20b.txt")));

    // Quoting as desktop entries write it, after the value's own escapes were read.
    m_launches.clear();
    userEntry(QStringLiteral("quoted.desktop"),
              entry("Quoted", "\"/opt/My App/run\" -c \"echo \\\\\"$1\\\\\" \\\\$HOME\" '' %f"));
    ASSERT_TRUE(Workspace::openFiles({ b }, Application { QStringLiteral("quoted"), {}, {}, {}, {} }));
    EXPECT_EQ(
        m_launches,
        QList<Launch>({ { QStringLiteral("/opt/My App/run"),
                          { QStringLiteral("-c"), QStringLiteral("echo \"$1\" $HOME"), QStringLiteral("''"), b } } }));
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
    const QString printf = QStringLiteral("printf '%s' \"$1\"");
    const QString sh = QStringLiteral("sh");
    const QString name = QStringLiteral("NAME");
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
        { "sh -c \"exec foo \\\"\\$@\\\"\" sh",
          { sh, QStringLiteral("-c"), QStringLiteral("exec foo \"$@\""), sh, name } },
        { "nice viewer", { QStringLiteral("nice"), QStringLiteral("viewer"), name } },
        { "sh -c \"printf '%%s' \\\"\\$1\\\"\" sh %f", { sh, QStringLiteral("-c"), printf, sh, name } },
        { "sh -c \"exec foo \\\"\\$@\\\"\" sh %F",
          { sh, QStringLiteral("-c"), QStringLiteral("exec foo \"$@\""), sh, name } },
        { "nice -n 5 python3 -c \"import sys; print(sys.argv[1])\" %f",
          { QStringLiteral("nice"), QStringLiteral("-n"), QStringLiteral("5"), QStringLiteral("python3"),
            QStringLiteral("-c"), QStringLiteral("import sys; print(sys.argv[1])"), name } },
        { "awk \"{ print }\" %f", { QStringLiteral("awk"), QStringLiteral("{ print }"), name } },
        { "sed -n -e p %f",
          { QStringLiteral("sed"), QStringLiteral("-n"), QStringLiteral("-e"), QStringLiteral("p"), name } },
        { "gimp %U", { QStringLiteral("gimp"), QStringLiteral("URL") } },
        { "code --new-window %F", { QStringLiteral("code"), QStringLiteral("--new-window"), name } },
        { "vlc --started-from-file %U",
          { QStringLiteral("vlc"), QStringLiteral("--started-from-file"), QStringLiteral("URL") } },
        { "taskset -c 0 gimp %U",
          { QStringLiteral("taskset"), QStringLiteral("-c"), QStringLiteral("0"), QStringLiteral("gimp"),
            QStringLiteral("URL") } },
        { "nice timeout 5 viewer %f",
          { QStringLiteral("nice"), QStringLiteral("timeout"), QStringLiteral("5"), QStringLiteral("viewer"), name } },
        { "viewer --file=%f", { QStringLiteral("viewer"), QStringLiteral("--file=NAME") } },
        { "viewer \"%f\"", { QStringLiteral("viewer"), name } },
    };
    const QStringList names = { QStringLiteral("report $(touch pwned).txt"), QStringLiteral("a\"; touch pwned; \".txt"),
                                QStringLiteral("`touch pwned`.txt"), QStringLiteral("it's $HOME\\ %f\n.txt") };
    for (const Case& c : cases) {
        for (const QString& fileName : names) {
            SCOPED_TRACE(std::string(c.exec) + " / " + fileName.toStdString());
            const QString file = existingFile(fileName);
            m_launches.clear();
            QString error;
            const bool opened = Workspace::openFiles(
                { file }, Application { QStringLiteral("x"), QStringLiteral("X"), QString::fromUtf8(c.exec), {}, {} },
                &error);
            if (c.argv.isEmpty()) {
                EXPECT_FALSE(opened);
                EXPECT_TRUE(m_launches.isEmpty());
                EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to open with \"X\"."))) << error.toStdString();
                continue;
            }
            ASSERT_TRUE(opened) << error.toStdString();
            QStringList expected = c.argv;
            for (QString& arg : expected) {
                arg.replace(QStringLiteral("NAME"), file);
                arg.replace(QStringLiteral("URL"), QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded()));
            }
            EXPECT_EQ(m_launches, QList<Launch>({ { expected.first(), expected.mid(1) } }));
        }
    }

    // The refusal says why, in the words it always used.
    QString error;
    EXPECT_FALSE(Workspace::openFiles(
        { existingFile(QStringLiteral("a.txt")) },
        Application { QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("nice sh -c %f"), {}, {} }, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("the command runs a file name as code"))) << error.toStdString();
}

TEST_F(WorkspaceTest, OpenFilesFindsTheApplicationAndAppendsFilesWithoutFieldCodes)
{
    userEntry(QStringLiteral("org.example.Plain.desktop"), entry("Plain Tool", "plain-tool --flag"));
    const QString a = existingFile(QStringLiteral("a.txt"));

    ASSERT_TRUE(Workspace::openFiles({ a }, Application { QStringLiteral("org.example.Plain"), {}, {}, {}, {} }));
    ASSERT_TRUE(Workspace::openFiles({ a }, Application { {}, QStringLiteral("plain tool"), {}, {}, {} }));
    ASSERT_TRUE(Workspace::openFiles({}, Application { QStringLiteral("org.example.Plain.desktop"), {}, {}, {}, {} }));
    const Launch withFile { QStringLiteral("plain-tool"), { QStringLiteral("--flag"), a } };
    EXPECT_EQ(m_launches,
              QList<Launch>({ withFile, withFile, { QStringLiteral("plain-tool"), { QStringLiteral("--flag") } } }));

    m_launches.clear();
    EXPECT_FALSE(Workspace::openFiles({ a }, Application { QStringLiteral("org.example.Missing"), {}, {}, {}, {} }));
    EXPECT_FALSE(Workspace::openFiles(
        { a }, Application { QStringLiteral("x"), {}, QStringLiteral("\"unterminated %f"), {}, {} }));
    EXPECT_FALSE(Workspace::openFiles({ a }, Application { QStringLiteral("x"), {}, QStringLiteral("%f"), {}, {} }));
    EXPECT_TRUE(m_launches.isEmpty());
}

TEST_F(WorkspaceTest, FindsProgramsOnThePath)
{
    const QString bin = tarsel::test::testHome() + QStringLiteral("/bin");
    tarsel::test::writeFile(bin + QStringLiteral("/tarsel-tool"), "#!/bin/sh\n");
    QFile::setPermissions(bin + QStringLiteral("/tarsel-tool"), QFile::ReadOwner | QFile::ExeOwner);
    tarsel::test::writeFile(bin + QStringLiteral("/tarsel-plain"), "not a program\n");
    QFile::setPermissions(bin + QStringLiteral("/tarsel-plain"), QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(bin + QStringLiteral("/tarsel-folder"));

    auto path = std::make_unique<tarsel::test::ScopedEnvironment>();
    path->set("PATH", QFile::encodeName(bin) + ":" + qgetenv("PATH"));
    EXPECT_TRUE(Workspace::hasProgram(QStringLiteral("tarsel-tool")));
    EXPECT_TRUE(Workspace::hasProgram(QStringLiteral("sh")));
    EXPECT_FALSE(Workspace::hasProgram(QStringLiteral("tarsel-plain")));
    EXPECT_FALSE(Workspace::hasProgram(QStringLiteral("tarsel-folder")));
    EXPECT_FALSE(Workspace::hasProgram(QStringLiteral("tarsel-no-such-program")));
    EXPECT_FALSE(Workspace::hasProgram(QString()));
    EXPECT_TRUE(Workspace::hasProgram(bin + QStringLiteral("/tarsel-tool")));
    path.reset();
    EXPECT_FALSE(Workspace::hasProgram(QStringLiteral("tarsel-tool")));
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
    return tarsel::test::runChild(QStringLiteral("workspaceReveal"), { path });
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
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.FileManager1"))) {
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

TEST(WorkspaceRevealTest, WithoutASessionBusOpensTheParentFolder)
{
    const QString file = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/folder/item.txt"), "x");
    const auto r = revealInChild("unix:path=/nonexistent/tarsel-bus", file);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "launch xdg-open " + QFile::encodeName(tarsel::test::testHome()) + "/folder\nrevealed=1\n");

    const auto missing = revealInChild("unix:path=/nonexistent/tarsel-bus", file + QStringLiteral(".missing"));
    EXPECT_EQ(missing.out, QByteArray("revealed=0\n"));
}

TEST(WorkspaceRevealTest, AsksTheFileManagerOverTheSessionBus)
{
    tarsel::test::PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    const QString file
        = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/shown dir/it em.txt"), "x");

    // A bus without a file manager: the parent folder opens instead.
    const auto noManager = revealInChild(bus.address(), file);
    EXPECT_TRUE(noManager.out.startsWith("launch xdg-open ")) << noManager.out.constData();
    {
        tarsel::test::ScopedEnvironment busEnv;
        busEnv.set("DBUS_SESSION_BUS_ADDRESS", bus.address());
        const auto props = tarsel::test::runChild(QStringLiteral("workspaceProperties"), { file });
        EXPECT_EQ(props.out, QByteArray("answers=0 shown=0\n")) << props.err.constData();
    }

    QProcess manager;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARSEL_TEST_CHILD"), QStringLiteral("fakeFileManager"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(bus.address()));
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
    const auto props
        = tarsel::test::runChild(QStringLiteral("workspaceProperties"), { file, file + QStringLiteral(".gone") });
    EXPECT_EQ(props.out, QByteArray("answers=1 shown=1\n")) << props.err.constData();
    ASSERT_TRUE(manager.waitForReadyRead(20000));
    EXPECT_EQ(manager.readLine(), "ShowItemProperties " + QUrl::fromLocalFile(file).toEncoded() + "\n");
    manager.kill();
    manager.waitForFinished();
}

#include "WorkspaceTest.moc"
