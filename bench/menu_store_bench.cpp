// Costs of the menu store: what a right-click pays to build the main list, and what one list
// edit (a locked read-modify-write of the shared suite) costs.
//
//   menu_store_bench
//
// Runs against a private XDG_DATA_HOME holding the factory configuration.

#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

void report(const char* what, int count, const std::function<void(int)>& fn)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        fn(i);
    }
    const double us = double(timer.nsecsElapsed()) / 1e3 / count;
    std::printf("%-52s %10.2f us per call (%d calls)\n", what, us, count);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QGuiApplication app(argc, argv);

    report("QVDefaultData::setup (first start)", 1, [](int) { QVDefaultData::setup(); });
    report("QVDefaultData::setup (same version)", 50, [](int) { QVDefaultData::setup(); });
    report("menuItemArray (45 factory entries, for the menu)", 2000, [](int) { QVMenuManager::menuItemArray(); });
    report("menuItemArrayWithToMenu NO (settings, help texts)", 2000,
           [](int) { QVMenuManager::menuItemArrayWithToMenu(false); });
    report("newFileTemplateMenuArray (20 entries)", 2000, [](int) { QVMenuManager::newFileTemplateMenuArray(true); });
    report("addMenuKey + removeMenuKey on the main list", 200, [](int i) {
        const QString key = QStringLiteral("bench-%1").arg(i);
        QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu, { { QStringLiteral("key"), key } }, 3);
        QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, key);
    });
    report("menuItemArray right after a write to the suite", 200, [](int i) {
        QVMenuManager::sharedDefaults().setValue(QStringLiteral("bench touch"), i);
        QVMenuManager::menuItemArray();
    });
    return 0;
}
