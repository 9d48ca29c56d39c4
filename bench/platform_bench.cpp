// Costs of the platform calls that menu building and the shell runners make often.
//
//   platform_bench
//
// Localised-string and image look-ups (cached tables), the scan of desktop entries behind
// Workspace::applicationForId with 600 generated entries, and starting a short Task.

#include "platform/Bundle.h"
#include "platform/Task.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

void report(const char* what, int count, const std::function<void()>& fn)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        fn();
    }
    const double us = double(timer.nsecsElapsed()) / 1e3 / count;
    std::printf("%-48s %10.2f us per call (%d calls)\n", what, us, count);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    report("Bundle::localizedString (present key)", 200000, [] {
        platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), {}, QStringLiteral("InfoPlist"));
    });
    report("Bundle::localizedString (missing key)", 200000,
           [] { platform::Bundle::localizedString(QStringLiteral("No Such Key")); });
    report("Bundle::hasImageNamed (not bundled, theme)", 2000,
           [] { platform::Bundle::hasImageNamed(QStringLiteral("newfile")); });
    // What a menu entry does for its image: ask, then take it.
    report("Bundle::hasImageNamed + imageNamed (bundled)", 20000, [] {
        if (platform::Bundle::hasImageNamed(QStringLiteral("about"))) {
            platform::Bundle::imageNamed(QStringLiteral("about"));
        }
    });

    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.path() + QStringLiteral("/none")));
    QDir().mkpath(dir.path() + QStringLiteral("/applications/vendor"));
    for (int i = 0; i < 600; ++i) {
        QFile f(dir.path()
                + QStringLiteral("/applications/%1org.example.App%2.desktop")
                      .arg(i % 2 ? QStringLiteral("vendor/") : QString())
                      .arg(i));
        if (f.open(QIODevice::WriteOnly)) {
            f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=App %1\nExec=app%1 %F\nIcon=app\n"
                                   "Comment=An application with a longer comment line\n[Desktop Action x]\nName=X\n")
                        .arg(i)
                        .toUtf8());
        }
    }
    report("Workspace::applications (600 entries)", 50, [] { platform::Workspace::applications(); });
    report("Workspace::applicationForId (last of 600)", 50,
           [] { platform::Workspace::applicationForId(QStringLiteral("vendor-org.example.App599")); });
    report("Task::run(\"true\")", 200, [] { platform::Task::run(QStringLiteral("true"), {}); });
    return 0;
}
