#include "host/PointerStage.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

Q_LOGGING_CATEGORY(lcPointerStage, "tarsel.host.popup", QtWarningMsg)

namespace {

// A compositor that shows the stage under the pointer reports the pointer at once; one that
// does not never will, and the menu must not wait for good.
constexpr int kPointerWaitMs = 2000;

// The host's own shell integration (host/layershell), asked for first, makes the stage a layer
// surface where the compositor offers them; Qt's xdg-shell, next, a full-screen top-level.
constexpr char kShellIntegrations[] = "tarsel-layer-shell;xdg-shell";
// Tells that integration which window is the stage; it answers with the second once the stage
// is a layer surface.
constexpr char kStageProperty[] = "_tarsel_pointer_stage";
constexpr char kLayerProperty[] = "_tarsel_layer_surface";

// Where the integration is: beside the programs in a build, in lib/tarsel when installed.
void addPluginFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& folder :
         { here + QStringLiteral("/qt-plugins"), here + QStringLiteral("/../lib/tarsel/qt-plugins") }) {
        if (QDir(folder + QStringLiteral("/wayland-shell-integration")).exists()) {
            QCoreApplication::addLibraryPath(QDir::cleanPath(folder));
        }
    }
}

} // namespace

PointerStage::PointerStage()
    : QWidget(nullptr, Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setWindowTitle(QStringLiteral("Tarsel"));
}

PointerStage::~PointerStage() = default;

bool PointerStage::isNeeded()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void PointerStage::execMenu(QMenu* menu)
{
    m_menu = menu;
    QEventLoop loop;
    connect(menu, &QMenu::aboutToHide, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    // The stage goes with the menu at once, before the chosen entry runs: a window the command
    // opens must not open under it (a layer surface on the overlay layer covers every window, and
    // has the keyboard).
    connect(menu, &QMenu::aboutToHide, this, &QWidget::hide);
    // A menu that is not the application's active popup does not hide itself when an entry is
    // chosen: the entry closes it before it runs (platform::Menu), and this once it has run,
    // whatever else was chosen.
    connect(menu, &QMenu::triggered, menu, &QMenu::hide, Qt::QueuedConnection);
    QTimer noPointer;
    noPointer.setSingleShot(true);
    connect(&noPointer, &QTimer::timeout, &loop, [this, &loop] {
        if (!m_placed) {
            m_placed = true;
            loop.quit();
        }
    });
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->geometry());
    }
    // Qt picks the shell integration when the process shows its first window, which the stage is;
    // the choice is the host's alone, so what it starts does not inherit it. One the user named
    // stays.
    const bool chooseShell = !qEnvironmentVariableIsSet("QT_WAYLAND_SHELL_INTEGRATION");
    if (chooseShell) {
        addPluginFolders();
        qputenv("QT_WAYLAND_SHELL_INTEGRATION", kShellIntegrations);
    }
    create();
    windowHandle()->setProperty(kStageProperty, true);
    showFullScreen();
    if (chooseShell) {
        qunsetenv("QT_WAYLAND_SHELL_INTEGRATION");
    }
    if (!windowHandle()->property(kLayerProperty).toBool()) {
        qCInfo(lcPointerStage) << "the pointer surface is a full-screen window: the compositor offers no layer "
                                  "surfaces, or the host's layer-shell integration is missing";
    }
    // Asking for activation hands the compositor the token a file manager passes in
    // XDG_ACTIVATION_TOKEN (xdg-activation), so the keyboard comes to the menu at once.
    activateWindow();
    noPointer.start(kPointerWaitMs);
    loop.exec();
    if (menu->parentWidget() == this) {
        menu->hide();
        menu->setParent(nullptr, menu->windowFlags());
    }
    hide();
    if (!menu->isVisible() && !m_popped) {
        // As without the stage: the compositor puts the menu where it likes.
        qCWarning(lcPointerStage) << "no pointer event reached the full-screen surface in" << kPointerWaitMs
                                  << "ms: the menu opens where the compositor puts it";
        menu->exec(QCursor::pos());
    }
}

bool PointerStage::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        qCInfo(lcPointerStage) << "the pointer surface has the keyboard";
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        if (m_popped && m_menu != nullptr && m_menu->isVisible()) {
            QCoreApplication::sendEvent(openMenu(), event);
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        // A click beside the menu closes it, as a click outside a menu does.
        if (m_popped && m_menu != nullptr) {
            m_menu->hide();
            return true;
        }
        pointerAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Enter:
        pointerAt(static_cast<QEnterEvent*>(event)->position().toPoint());
        break;
    case QEvent::MouseMove:
        pointerAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

QMenu* PointerStage::openMenu() const
{
    // The innermost open submenu has the keys, as the active popup would.
    QMenu* open = m_menu;
    for (bool deeper = true; deeper;) {
        deeper = false;
        const QList<QMenu*> children = open->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
        for (QMenu* child : children) {
            if (child->isVisible()) {
                open = child;
                deeper = true;
                break;
            }
        }
    }
    return open;
}

void PointerStage::pointerAt(const QPoint& local)
{
    if (m_placed || m_menu == nullptr) {
        return;
    }
    m_placed = true;
    // The menu is this surface's popup (xdg_popup), placed relative to it. A popup that takes
    // the keyboard needs the serial of a click or key press made in this program, and the
    // stage has seen none: the click was made in the file manager. So the menu is a popup
    // without a grab, and the stage, which has the keyboard focus, hands it every key. It is
    // the stage's child only while it is shown (the caller owns it).
    m_menu->setParent(this, Qt::ToolTip | Qt::FramelessWindowHint);
    // Submenus likewise: a grabbing one opened by hovering would have no serial either.
    const QList<QMenu*> submenus = m_menu->findChildren<QMenu*>();
    for (QMenu* submenu : submenus) {
        submenu->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    }
    const QPoint at = mapToGlobal(local);
    qCInfo(lcPointerStage).nospace() << "menu at " << at.x() << "," << at.y() << " as a popup of the pointer surface";
    m_popped = true;
    m_menu->popup(at);
}
