// `make install` puts each file where the desktop and the programs look for it, the desktop entry
// and the AppStream file pass their validators, and `make uninstall` takes away exactly what
// the install's manifest lists.

#include "tests/install/InstallSupport.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct Installed
{
    const char* path; ///< under the prefix
    bool executable;
};

// Every file but the file-manager snippets, which are whatever share/file-managers holds.
const Installed kInstalled[] = {
    { "bin/Tarsel", true },
    { "bin/tarsel-finder", true },
    { "lib/tarsel/TarselFinderExtension.so", false },
    { "lib/tarsel/qt-plugins/wayland-shell-integration/libtarsel-layer-shell.so", false },
    { "lib/tarsel/TarselPdfPages.so", false },
    { "libexec/tarsel/tarsel-clipboard", true },
    { "share/applications/com.valden.tarsel.desktop", false },
    { "share/metainfo/com.valden.tarsel.metainfo.xml", false },
    { "share/icons/hicolor/16x16/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/22x22/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/24x24/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/32x32/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/48x48/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/64x64/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/128x128/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/256x256/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/512x512/apps/com.valden.tarsel.png", false },
    { "share/icons/hicolor/scalable/apps/com.valden.tarsel.svg", false },
    { "share/doc/tarsel/copyright", false },
    { "share/doc/tarsel/NOTICE.md", false },
};

QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(folder).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

} // namespace

TEST(InstallLayoutTest, InstallsWhereTheDesktopLooksAndUninstallsExactlyThat)
{
    const QString prefix = inHome(QStringLiteral("prefix"));
    // Something of the user's own in the prefix stays through the uninstall.
    writeFile(prefix + QStringLiteral("/bin/users-own-tool"), "#!/bin/sh\n");
    QString error;
    const QStringList manifest = installInto(prefix, &error);
    ASSERT_FALSE(manifest.isEmpty()) << error.toStdString();

    QStringList expected { QStringLiteral("bin/users-own-tool") };
    for (const Installed& file : kInstalled) {
        SCOPED_TRACE(file.path);
        const QFileInfo info(prefix + QLatin1Char('/') + QLatin1String(file.path));
        EXPECT_TRUE(info.isFile());
        EXPECT_EQ(info.isExecutable(), file.executable);
        EXPECT_TRUE(manifest.contains(info.filePath()));
        expected << QLatin1String(file.path);
    }
    const QString snippets = QStringLiteral(TARSEL_SNIPPETS_DIR);
    for (const QString& snippet : filesUnder(snippets)) {
        SCOPED_TRACE(snippet.toStdString());
        const QFileInfo info(prefix + QStringLiteral("/share/tarsel/file-managers/") + snippet);
        EXPECT_EQ(readFile(info.filePath()), readFile(snippets + QLatin1Char('/') + snippet));
        EXPECT_EQ(info.isExecutable(), QFileInfo(snippets + QLatin1Char('/') + snippet).isExecutable());
        expected << QStringLiteral("share/tarsel/file-managers/") + snippet;
    }
    expected.sort();
    EXPECT_EQ(filesUnder(prefix).join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString())
        << "nothing more is installed";
    EXPECT_EQ(manifest.size(), expected.size() - 1);

    // The desktop entry starts the installed program by its path, with the installed icon.
    const QString desktop = prefix + QStringLiteral("/share/applications/com.valden.tarsel.desktop");
    const ProgramRun validate = runProgram(QStringLiteral("desktop-file-validate"), { desktop });
    EXPECT_EQ(validate.exitCode, 0);
    EXPECT_EQ(validate.out + validate.err, QByteArray()) << "no warnings either";
    QSettings entry(desktop, QSettings::IniFormat);
    EXPECT_EQ(entry.value(QStringLiteral("Desktop Entry/Exec")).toString(), prefix + QStringLiteral("/bin/Tarsel"));
    EXPECT_EQ(entry.value(QStringLiteral("Desktop Entry/Icon")).toString(), QStringLiteral("com.valden.tarsel"));
    EXPECT_EQ(entry.value(QStringLiteral("Desktop Action Quit/Exec")).toString(),
              prefix + QStringLiteral("/bin/Tarsel --quit"));
    // The quit action asks the running application to end; with none running it says so.
    const ProgramRun quit = runProgram(prefix + QStringLiteral("/bin/Tarsel"), { QStringLiteral("--quit") },
                                       { .env = installedEnvironment(QStringLiteral("offscreen"), QString()) });
    EXPECT_EQ(quit.exitCode, 1);
    EXPECT_TRUE(quit.err.contains("no running application to end")) << quit.err.constData();

    const ProgramRun appstream
        = runProgram(QStringLiteral("appstreamcli"),
                     { QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                       prefix + QStringLiteral("/share/metainfo/com.valden.tarsel.metainfo.xml") });
    EXPECT_EQ(appstream.exitCode, 0) << appstream.out.constData();
    EXPECT_FALSE(appstream.out.contains("W:") || appstream.out.contains("I:") || appstream.out.contains("P:"))
        << appstream.out.constData();

    // Uninstalling takes the manifest's files and Tarsel's emptied folders, nothing else.
    const ProgramRun uninstall
        = runProgram(QStringLiteral(TARSEL_SOURCE_DIR "/scripts/uninstall"), { prefix + QStringLiteral(".manifest") });
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err.constData();
    EXPECT_EQ(filesUnder(prefix).join(QLatin1Char('\n')).toStdString(), "bin/users-own-tool");
    for (const char* folder : { "lib/tarsel", "libexec/tarsel", "share/tarsel", "share/doc/tarsel" }) {
        EXPECT_FALSE(QFileInfo::exists(prefix + QLatin1Char('/') + QLatin1String(folder))) << folder;
    }
}
