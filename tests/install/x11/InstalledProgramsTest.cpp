// The installed programs work from where they are installed, with no build folder on PATH: the
// installed host finds its plug-in (lib/tarsel), prints the menu and shows it at the pointer;
// what it copies stays with the installed clipboard holder (libexec/tarsel) after it ended;
// and a command it hands over starts the installed application beside it.

#include "tests/engine/MenuStoreTestSupport.h"
#include "tests/install/InstallSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/AppChannel.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/X11Input.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

using namespace tarsel::test;

namespace {

int tagOfKey(const QByteArray& json, const QString& key)
{
    for (const QJsonValue& item : QJsonDocument::fromJson(json).object().value("items").toArray()) {
        if (item.toObject().value("key").toString() == key) {
            return item.toObject().value("tag").toInt();
        }
    }
    return -1;
}

// The programs of this test's HOME that run a file of that name: "PID EXECUTABLE" each.
QStringList running(const QString& name)
{
    QStringList found;
    const QByteArray home = "HOME=" + QFile::encodeName(testHome()) + '\0';
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget();
        if (isPid && QFileInfo(exe).fileName() == name
            && ('\0' + readFile(QStringLiteral("/proc/%1/environ").arg(entry))).contains('\0' + home)) {
            found << entry + QLatin1Char(' ') + exe;
        }
    }
    return found;
}

// Ends what the installed programs left running (the holder, an application), whatever the
// test's outcome.
struct Cleanup
{
    Cleanup() = default;
    ~Cleanup()
    {
        for (const QString& name : QStringList { "tarsel-clipboard", "Tarsel" }) {
            for (const QString& process : running(name)) {
                ::kill(pid_t(process.section(QLatin1Char(' '), 0, 0).toLongLong()), SIGTERM);
            }
        }
    }
    Q_DISABLE_COPY_MOVE(Cleanup)
};

bool listening()
{
    QLocalSocket socket;
    socket.connectToServer(platform::AppChannel::socketName());
    return socket.waitForConnected(1000);
}

} // namespace

TEST(InstalledProgramsTest, MenuPickAndPopupRunFromTheInstalledPrograms)
{
    const QString prefix = inHome("prefix");
    QString error;
    ASSERT_FALSE(installInto(prefix, &error).isEmpty()) << error.toStdString();
    const QString host = prefix + "/bin/tarsel-finder";
    const QString app = prefix + "/bin/Tarsel";
    const Cleanup cleanup;

    // A desktop-picture tool on PATH that records what it was asked (there is no session bus).
    const QString tools = inHome("tools");
    const QString record = inHome("pictures-set");
    QFile::setPermissions(
        writeFile(tools + "/gsettings", "#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(record) + "'\n"),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QProcessEnvironment headless = installedEnvironment("offscreen", tools);
    const QProcessEnvironment onDisplay = installedEnvironment("xcb", tools);

    const QString image = inHome("Pictures/sunset view.png");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(image).path()));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(picture.save(image));
    ASSERT_TRUE(QVDefaultData::setup());
    // The third use would bring up the review prompt, which waits for an answer on this display.
    QVMenuManager::sharedDefaults().setValue("is reviewed", true);

    // menu, then pick: the picture handed to the application, which the host starts.
    const ProgramRun menu = runProgram(host, { "menu", "--json", image }, { .env = headless });
    ASSERT_EQ(menu.exitCode, 0) << menu.err.constData();
    const int pictureTag = tagOfKey(menu.out, "As Desktop Picture");
    ASSERT_GT(pictureTag, 0) << menu.out.constData();
    const ProgramRun pick = runProgram(host, { "pick", QString::number(pictureTag), image }, { .env = headless });
    ASSERT_EQ(pick.exitCode, 0) << pick.err.constData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return readFile(record).contains(" picture-uri "); }, 20000))
        << "the installed application never set the picture";
    const QStringList apps = running("Tarsel");
    ASSERT_EQ(apps.size(), 1) << apps.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(apps.constFirst().endsWith(QLatin1Char(' ') + app)) << apps.constFirst().toStdString();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return runProgram(app, { "--quit" }, { .env = headless }).exitCode == 0; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([] { return !listening(); }, 20000));

    // popup at the pointer, on this display: the first entry, Copy Path, chosen by keyboard.
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    ASSERT_TRUE(x11MovePointer(QPoint(200, 200)));
    QProcess popup;
    popup.setProcessEnvironment(onDisplay);
    popup.start(host, { "popup", image });
    ASSERT_TRUE(popup.waitForStarted());
    // The menu is up once it holds the keyboard; Down then Return until it took them.
    const bool chosen = QTest::qWaitFor(
        [&] {
            x11Key("Down", true);
            x11Key("Down", false);
            x11Key("Return", true);
            x11Key("Return", false);
            return popup.waitForFinished(500);
        },
        20000);
    if (!chosen) {
        popup.kill();
        popup.waitForFinished();
    }
    ASSERT_TRUE(chosen) << popup.readAllStandardError().constData();
    EXPECT_EQ(popup.exitCode(), 0) << popup.readAllStandardError().constData();
    const ProgramRun paste = runProgram("xclip", { "-o", "-selection", "clipboard" });
    EXPECT_EQ(paste.out, QFile::encodeName(image));
    const QStringList holders = running("tarsel-clipboard");
    ASSERT_EQ(holders.size(), 1);
    EXPECT_TRUE(holders.constFirst().endsWith(QLatin1Char(' ') + prefix + "/libexec/tarsel/tarsel-clipboard"))
        << holders.constFirst().toStdString();
}
