// The colour picker in a Wayland session: the desktop portal picks the colour over the session
// bus, and the colour window shows it; without a portal an alert says so. Each case runs on a
// private session bus of its own, with a small stand-in portal as a separate process.

#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"
#include "toolwindows/colorpicker/QVColorPanel.h"

#include "testsupport/ModalScript.h"
#include "testsupport/PrivateBus.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

using namespace tarsel::test;

namespace {

/// The stand-in portal: answers PickColor with its request object and then, as the real one
/// does once the user clicked, sends that request's Response with red 0.2, green 0.4, blue 0.6.
class FakeScreenshotPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public Q_SLOTS:
    QDBusObjectPath PickColor(const QString& parentWindow, const QVariantMap& options, const QDBusMessage& message)
    {
        Q_UNUSED(parentWindow)
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        // The answer goes out after the reply, as the user's click comes after the call.
        QTimer::singleShot(0, this, [path] {
            QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            QDBusArgument color;
            color.beginStructure();
            color << 0.2 << 0.4 << 0.6;
            color.endStructure();
            response << 0u << QVariantMap { { QStringLiteral("color"), QVariant::fromValue(color) } };
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(path);
    }
};

TARSEL_TEST_CHILD(fakeColorPortal)
{
    FakeScreenshotPortal portal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "cannot serve: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// Starts a pick as the application does and prints what the user gets: the colour window's HEX
// text, or the alert.
TARSEL_TEST_CHILD(pickColorInWaylandSession)
{
    AlertScript alerts;
    QVColorPanel panel;
    panel.startColorPicker();
    QVColorInfoWinCtl* info = panel.colorInfoWinCtl();
    if (!QTest::qWaitFor([&] { return info->window()->isVisible() || !alerts.shown().isEmpty(); }, 10000)) {
        std::printf("nothing shown\n");
    }
    if (info->window()->isVisible()) {
        std::printf("colour window: %s\n", qPrintable(info->input(1)->text()));
    }
    for (const AlertScript::Shown& shown : alerts.shown()) {
        std::printf("alert: %s\n", qPrintable(shown.informativeText));
    }
    return 0;
}

struct PortalCase
{
    std::string name;
    bool portal;
    std::string expected;
};

using ColorPortalTest = testing::TestWithParam<PortalCase>;

TEST_P(ColorPortalTest, TheUserSeesThePortalsColourOrWhyThereIsNone)
{
    const PortalCase& c = GetParam();
    tarsel::test::PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon is missing (scripts/install-deps)";
    ScopedEnvironment env;
    env.set("DBUS_SESSION_BUS_ADDRESS", bus.address()).set("WAYLAND_DISPLAY", "wayland-0");
    env.set("XDG_SESSION_TYPE", "wayland");

    QProcess portal;
    if (c.portal) {
        QProcessEnvironment portalEnv = QProcessEnvironment::systemEnvironment();
        portalEnv.insert(QStringLiteral("TARSEL_TEST_CHILD"), QStringLiteral("fakeColorPortal"));
        portal.setProcessEnvironment(portalEnv);
        portal.start(testBinary());
        ASSERT_TRUE(portal.waitForStarted());
        ASSERT_TRUE(portal.waitForReadyRead()) << portal.readAllStandardError().constData();
        ASSERT_EQ(portal.readLine(), "ready\n");
    }
    const ChildResult result = runChild(QStringLiteral("pickColorInWaylandSession"));
    portal.kill();
    portal.waitForFinished();
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out.toStdString(), c.expected) << result.err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, ColorPortalTest,
    testing::Values(PortalCase { "PortalPicksTheColour", true, "colour window: 336699\n" },
                    PortalCase { "NoPortalSaysSo", false,
                                 "alert: The colour cannot be picked: this desktop session lets only its desktop "
                                 "portal read the screen, and no desktop portal answers on the session bus (The name "
                                 "org.freedesktop.portal.Desktop was not provided by any .service files).\n" }),
    caseName<PortalCase>);

} // namespace

#include "ColorPortalTest.moc"
