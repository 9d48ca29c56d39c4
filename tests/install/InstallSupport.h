#pragma once

// Installs the build into a prefix of the test's own, as `make install` does, and runs the
// installed programs with the build's folders off PATH.

#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace tarsel::test {

/// `cmake --install` of the build into the prefix; the files it wrote, as its manifest lists
/// them (absolute paths), or nothing when the install failed. The manifest itself is copied,
/// as it was written, to PREFIX.manifest: the next install step rewrites the build's.
inline QStringList installInto(const QString& prefix, QString* error)
{
    const ProgramRun install = runProgram(
        QStringLiteral(TARSEL_CMAKE_COMMAND),
        { QStringLiteral("--install"), QStringLiteral(TARSEL_BUILD_DIR), QStringLiteral("--prefix"), prefix });
    if (install.exitCode != 0) {
        *error = QString::fromLocal8Bit(install.out + install.err);
        return {};
    }
    const QByteArray manifest = readFile(QStringLiteral(TARSEL_BUILD_DIR "/install_manifest.txt"));
    writeFile(prefix + QStringLiteral(".manifest"), manifest);
    QStringList files;
    for (const QByteArray& line : manifest.split('\n')) {
        if (!line.isEmpty() && QFile::decodeName(line).startsWith(prefix + QLatin1Char('/'))) {
            files << QFile::decodeName(line);
        }
    }
    return files;
}

/// The environment the installed programs get: no build folder on PATH, no plug-in named
/// from outside; they find each other from where they are installed.
inline QProcessEnvironment installedEnvironment(const QString& platform, const QString& pathFolders)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.insert(QStringLiteral("PATH"), pathFolders + QStringLiteral(":/usr/bin:/bin"));
    env.remove(QStringLiteral("TARSEL_EXTENSION_PATH"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return env;
}

} // namespace tarsel::test
