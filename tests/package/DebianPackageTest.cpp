// `make deb`: one Debian package that installs into /usr, with its library dependencies read
// from the programs, that lintian finds no error in, and whose programs run from where the
// package puts them (unpacked into a root of the test's own with dpkg -x).

#include "tests/install/InstallSupport.h"
#include "engine/model/QVDefaultData.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct Entry
{
    const char* path; ///< in the package
    const char* mode; ///< as dpkg-deb -c prints it
};

const Entry kEntries[] = {
    { "./usr/bin/Tarsel", "-rwxr-xr-x" },
    { "./usr/bin/tarsel-finder", "-rwxr-xr-x" },
    { "./usr/lib/tarsel/TarselFinderExtension.so", "-rw-r--r--" },
    { "./usr/lib/tarsel/qt-plugins/wayland-shell-integration/libtarsel-layer-shell.so", "-rw-r--r--" },
    { "./usr/lib/tarsel/TarselPdfPages.so", "-rw-r--r--" },
    { "./usr/libexec/tarsel/tarsel-clipboard", "-rwxr-xr-x" },
    { "./usr/share/applications/com.valden.tarsel.desktop", "-rw-r--r--" },
    { "./usr/share/metainfo/com.valden.tarsel.metainfo.xml", "-rw-r--r--" },
    { "./usr/share/icons/hicolor/16x16/apps/com.valden.tarsel.png", "-rw-r--r--" },
    { "./usr/share/icons/hicolor/512x512/apps/com.valden.tarsel.png", "-rw-r--r--" },
    { "./usr/share/icons/hicolor/scalable/apps/com.valden.tarsel.svg", "-rw-r--r--" },
    { "./usr/share/tarsel/file-managers/thunar/uca.xml", "-rw-r--r--" },
    { "./usr/share/doc/tarsel/copyright", "-rw-r--r--" },
    { "./usr/share/doc/tarsel/changelog.gz", "-rw-r--r--" },
};

} // namespace

TEST(DebianPackageTest, InstallsIntoUsrPassesLintianAndItsProgramsRun)
{
    const QString out = inHome(QStringLiteral("package"));
    ASSERT_TRUE(QDir().mkpath(out));
    const ProgramRun cpack
        = runProgram(QStringLiteral(TARSEL_CPACK_COMMAND),
                     { QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                       QStringLiteral(TARSEL_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out });
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.constData() << cpack.err.constData();
    const QStringList debs = QDir(out).entryList({ QStringLiteral("tarsel_*.deb") }, QDir::Files);
    ASSERT_EQ(debs.size(), 1);
    const QString deb = out + QLatin1Char('/') + debs.constFirst();
    EXPECT_TRUE(debs.constFirst().startsWith(QStringLiteral("tarsel_" TARSEL_PROJECT_VERSION "_")));

    // The listing: every file under /usr, where the programs look for each other.
    const ProgramRun contents = runProgram(QStringLiteral("dpkg-deb"), { QStringLiteral("-c"), deb });
    ASSERT_EQ(contents.exitCode, 0) << contents.err.constData();
    QMap<QString, QString> listed;
    for (const QByteArray& line : contents.out.split('\n')) {
        const QStringList fields
            = QString::fromUtf8(line).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (fields.size() >= 6) {
            listed.insert(fields.at(5), fields.at(0));
            EXPECT_TRUE(fields.at(5) == QLatin1String("./") || fields.at(5).startsWith(QLatin1String("./usr/")))
                << line.constData();
            EXPECT_EQ(fields.at(1), QStringLiteral("root/root")) << line.constData();
        }
    }
    for (const Entry& entry : kEntries) {
        EXPECT_EQ(listed.value(QLatin1String(entry.path)), QLatin1String(entry.mode)) << entry.path;
    }

    // Its dependencies come from the programs' libraries, beside the tools they run.
    const ProgramRun depends
        = runProgram(QStringLiteral("dpkg-deb"), { QStringLiteral("-f"), deb, QStringLiteral("Depends") });
    for (const char* package : { "libqt6core6", "libqt6widgets6", "libzip4", "libuchardet0", "zip", "qt6-qpa-plugins",
                                 "qt6-gtk-platformtheme" }) {
        EXPECT_TRUE(depends.out.contains(package)) << package << " in " << depends.out.constData();
    }

    const ProgramRun lintian = runProgram(QStringLiteral("lintian"), { QStringLiteral("--no-tag-display-limit"), deb });
    EXPECT_FALSE(lintian.out.contains("E: ")) << lintian.out.constData() << lintian.err.constData();

    // Unpacked into a root of its own, the programs run from there: the host finds its plug-in
    // and prints the menu; the desktop entry starts /usr/bin/Tarsel.
    const QString root = inHome(QStringLiteral("root"));
    const ProgramRun unpack = runProgram(QStringLiteral("dpkg"), { QStringLiteral("-x"), deb, root });
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err.constData();
    const QProcessEnvironment env = installedEnvironment(QStringLiteral("offscreen"), QString());
    const ProgramRun version
        = runProgram(root + QStringLiteral("/usr/bin/Tarsel"), { QStringLiteral("--version") }, { .env = env });
    EXPECT_EQ(version.out, QByteArray("Tarsel " TARSEL_PROJECT_VERSION "\n")) << version.err.constData();
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = inHome(QStringLiteral("Documents"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const ProgramRun menu = runProgram(root + QStringLiteral("/usr/bin/tarsel-finder"),
                                       { QStringLiteral("menu"), QStringLiteral("--json"), QStringLiteral("--kind"),
                                         QStringLiteral("1"), QStringLiteral("--target"), folder },
                                       { .env = env });
    ASSERT_EQ(menu.exitCode, 0) << menu.err.constData();
    EXPECT_FALSE(QJsonDocument::fromJson(menu.out).object().value(QStringLiteral("items")).toArray().isEmpty())
        << menu.out.constData();
    QSettings entry(root + QStringLiteral("/usr/share/applications/com.valden.tarsel.desktop"), QSettings::IniFormat);
    EXPECT_EQ(entry.value(QStringLiteral("Desktop Entry/Exec")).toString(), QStringLiteral("/usr/bin/Tarsel"));
}
