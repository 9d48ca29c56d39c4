// The desktop picture through its backends: the real gsettings on a key-file settings backend in
// the test's home, the portal before any tool, and a clear failure when nothing takes it.

#include "platform/Wallpaper.h"

#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QImage>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tarsel::test;
using platform::Wallpaper;

namespace {

QString writeImage(const QString& name)
{
    const QString path = testHome() + QLatin1Char('/') + name;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(path, "PNG");
    return path;
}

class WallpaperTest : public testing::Test
{
protected:
    void TearDown() override { Wallpaper::setPortalCall({}); }
};

} // namespace

TEST_F(WallpaperTest, RealGsettingsStoresThePicture)
{
    const QString gsettings = QStandardPaths::findExecutable("gsettings");
    if (gsettings.isEmpty() || runProgram(gsettings, { "list-keys", "org.gnome.desktop.background" }).exitCode != 0) {
        GTEST_SKIP() << "gsettings or the org.gnome.desktop.background schema is not installed";
    }
    // The key-file backend keeps the settings in the test's own XDG_CONFIG_HOME.
    ScopedEnvironment env;
    env.set("GSETTINGS_BACKEND", "keyfile").set("XDG_CURRENT_DESKTOP", "GNOME");
    Wallpaper::setPortalCall([](const QString&, QString* error) {
        *error = "no portal in this test";
        return false;
    });
    const QString image = writeImage("my picture #1.png");

    const Wallpaper::Result result = Wallpaper::setDesktopPicture(image);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.backend, "gsettings");

    const ProgramRun get = runProgram(gsettings, { "get", "org.gnome.desktop.background", "picture-uri" });
    ASSERT_TRUE(get.finished);
    EXPECT_EQ(get.out.trimmed(), "'" + QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded).toUtf8() + "'");
}

TEST_F(WallpaperTest, PortalFirstAndAClearFailureWithoutAnyWay)
{
    ScopedEnvironment env;
    env.set("PATH", QFile::encodeName(testHome() + "/no-tools"));
    const QString image = writeImage("pic.png");
    QString asked;
    Wallpaper::setPortalCall([&asked](const QString& uri, QString*) {
        asked = uri;
        return true;
    });
    const Wallpaper::Result viaPortal = Wallpaper::setDesktopPicture(image);
    EXPECT_TRUE(viaPortal.ok);
    EXPECT_EQ(viaPortal.backend, "portal");
    EXPECT_EQ(asked, QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded));

    Wallpaper::setPortalCall([](const QString&, QString* error) {
        *error = "no portal";
        return false;
    });
    const Wallpaper::Result none = Wallpaper::setDesktopPicture(image);
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(none.error.startsWith("Failed to set the desktop picture. File: \"" + image))
        << none.error.toStdString();
    EXPECT_TRUE(none.error.contains("none of gsettings")) << none.error.toStdString();

    // A file that is no image never reaches a backend.
    const QString text = writeFile(testHome() + "/not-an-image.png", "hello");
    EXPECT_FALSE(Wallpaper::canSetPicture(text));
    EXPECT_FALSE(Wallpaper::setDesktopPicture(text).ok);
}
