// The programs status_item_bench times: "bare" shows one QSystemTrayIcon and nothing else, the
// least a Qt program does to put an icon into the tray; "tarsel" goes through the application's
// own status-item start-up (start-up configuration, engine, status menu, status item). With
// "--menu" the status menu opens as soon as the icon is in the tray (for a screenshot).

#include "app/QVStatusItem.h"
#include "app/QVStatusMenu.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "platform/Defaults.h"
#include "platform/System.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool tarsel = argc > 1 && std::strcmp(argv[1], "tarsel") == 0;
    const bool openMenu = argc > 2 && std::strcmp(argv[2], "--menu") == 0;
    if (!tarsel) {
        QPixmap pixmap(20, 20);
        pixmap.fill(Qt::darkBlue);
        QSystemTrayIcon icon { QIcon(pixmap) };
        icon.show();
        return app.exec();
    }
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    if (!QVDefaultData::setup()) {
        return 1;
    }
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);
    QVMenuService service;
    QVStatusMenu menu(service);
    QVStatusItem item(menu);
    item.createStatusBar();
    if (openMenu) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            if (item.statusItem() != nullptr && !item.statusItem()->geometry().isEmpty()) {
                poll.stop();
                item.onStatusButtonClick();
            }
        });
        poll.start(50);
        return app.exec();
    }
    return app.exec();
}
