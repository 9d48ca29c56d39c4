#include "foundation/QVPermissions.h"

#include "platform/Menu.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>

QVPermissions& QVPermissions::sharedInstance()
{
    static QVPermissions instance;
    return instance;
}

void QVPermissions::showRightMenu()
{
    if (m_menuVisible || !m_provider) {
        return;
    }
    // The file manager's selection is not read here yet: the menu is built for no paths, which
    // gives the status folder's menu.
    auto [tree, owner] = m_provider({});
    if (!tree) {
        return;
    }
    m_menuVisible = true;
    QMenu* menu = tree->toQMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPoint at = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(at);
    const QRect visible = screen ? screen->availableGeometry() : QRect();
    const int height = menu->sizeHint().height();
    if (screen && at.y() + height > visible.bottom()) {
        at.setY(qMax(visible.top(), visible.bottom() - height)); // above the panel at the bottom
    }
    // The tree and what its entries report to go with the QMenu.
    QObject::connect(menu, &QObject::destroyed, [tree, owner] {});
    QObject::connect(menu, &QMenu::aboutToHide, [this] { QTimer::singleShot(10, [this] { m_menuVisible = false; }); });
    menu->popup(at);
}
