// A colour copied in the application's own colour window stays pasteable after the application
// has ended. With neither the status item nor the hook on, Copy closes the window, the last
// one, and Tarsel ends at once; the copy lives on in the clipboard holder, which the
// application finds beside itself in the build's bin folder (it is not on PATH here). The
// holder used to be built into another folder than the application, which then kept the
// selection itself and took it along when it ended.

#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "platform/Defaults.h"
#include "platform/System.h"
#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"
#include "toolwindows/colorpicker/QVColorPanel.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/X11Input.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <signal.h>

using namespace tarsel::test;

namespace {

const QString kApp = QStringLiteral(TARSEL_APP_PROGRAM);

QByteArray pasted()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") });
    xclip.waitForFinished(20000);
    return xclip.readAllStandardOutput();
}

// The clipboard holders started with this test's HOME, by the program they run.
QStringList holders()
{
    QStringList programs;
    const QByteArray home = "HOME=" + QFile::encodeName(testHome()) + '\0';
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget();
        if (isPid && QFileInfo(exe).fileName() == QLatin1String("tarsel-clipboard")
            && ('\0' + readFile(QStringLiteral("/proc/%1/environ").arg(entry))).contains('\0' + home)) {
            programs << entry + QLatin1Char(' ') + exe;
        }
    }
    return programs;
}

struct HolderCleanup
{
    HolderCleanup() = default;
    ~HolderCleanup()
    {
        for (const QString& holder : holders()) {
            ::kill(pid_t(holder.section(QLatin1Char(' '), 0, 0).toLongLong()), SIGTERM);
        }
    }
    Q_DISABLE_COPY_MOVE(HolderCleanup)
};

// Where the HEX row's Copy button lies in the colour window: the same window, laid out in this
// process on the same display and style.
QPoint hexCopyButtonOffset()
{
    QVColorInfoWinCtl window;
    window.openWithColor(QColor(0x33, 0x66, 0xcc));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.window()));
    QPushButton* copy = window.copyButton(1);
    const QPoint offset = copy->mapTo(window.window(), copy->rect().center());
    window.close();
    return offset;
}

} // namespace

TEST(AppColorCopyTest, ACopiedColourOutlivesTheApplication)
{
    ASSERT_TRUE(QVDefaultData::setup());
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    ASSERT_TRUE(shared.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), false));
    ASSERT_TRUE(shared.setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), false));
    // The first pick's reminder about screen recording was answered before.
    ASSERT_TRUE(
        platform::Defaults::suite(platform::System::kAppBundleId).setValue(QVColorPanel::kScreenRecordTip, true));
    const QPoint copyOffset = hexCopyButtonOffset();
    const HolderCleanup cleanup;

    // A patch of a known colour on the screen, for the picker to read.
    QWidget patch;
    QPalette palette = patch.palette();
    palette.setColor(QPalette::Window, QColor(0x33, 0x66, 0xcc));
    patch.setPalette(palette);
    patch.setAutoFillBackground(true);
    patch.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    patch.setGeometry(40, 40, 120, 120);
    patch.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&patch));
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            const QImage pixel = QGuiApplication::primaryScreen()->grabWindow(0, 100, 100, 1, 1).toImage();
            return !pixel.isNull() && pixel.pixelColor(0, 0) == QColor(0x33, 0x66, 0xcc);
        },
        5000))
        << "the patch is on the screen";

    // The application as the file manager's extension starts it, with the colour picker (method
    // 10), on this display; neither the holder nor a file manager is on its PATH (a file manager
    // without Tarsel's actions would bring the start-up reminder up first).
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString emptyPath = testHome() + QStringLiteral("/empty-path");
    QDir().mkpath(emptyPath);
    env.insert(QStringLiteral("PATH"), emptyPath);
    app.setProcessEnvironment(env);
    app.start(kApp, { QStringLiteral("TarselPro://qvcommand-10") });
    ASSERT_TRUE(app.waitForStarted());

    // A click on the patch picks its colour once the picker holds the pointer; the colour
    // window follows.
    std::optional<QRect> window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            x11Click(QPoint(100, 100));
            return QTest::qWaitFor(
                [&] {
                    window = x11ShownWindowNamed("Color Picker");
                    return window.has_value();
                },
                500);
        },
        20000))
        << app.readAllStandardError().constData();
    patch.hide();

    ASSERT_TRUE(x11Click(window->topLeft() + copyOffset));
    const bool ended = app.waitForFinished(20000);
    if (!ended) {
        app.kill();
        app.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the application lived on after its last window closed";
    EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().constData();

    EXPECT_EQ(pasted(), QByteArray("3366CC"));
    const QStringList running = holders();
    ASSERT_EQ(running.size(), 1) << running.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QFileInfo(running.constFirst().section(QLatin1Char(' '), 1)).path(), QFileInfo(kApp).path())
        << "the holder beside the application serves the copy";
}
