#include "foundation/QVPermissions.h"

#include "platform/Defaults.h"
#include "platform/Menu.h"
#include "platform/Pasteboard.h"
#include "platform/System.h"
#include "platform/X11ButtonHook.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

Q_LOGGING_CATEGORY(lcHook, "tarsel.foundation.hook", QtWarningMsg)

namespace {

// The shared switches the hook reads (the settings page writes them).
const QString kHookOn = QStringLiteral("pref check16");
const QString kMiddleButton = QStringLiteral("pref check17");
const QString kPlainRightClick = QStringLiteral("pref check18");
const QString kModifiedRightClick = QStringLiteral("pref check23");
const QString kModifier = QStringLiteral("pref check24");

// The C key by its position; Control is this desktop's copy modifier.
constexpr quint32 kKeyCodeC = 8;
// How often the active window is looked at while waiting for the window clicked first.
constexpr int kActivePollMs = 2;

// The answer to the activation panel, in the standard defaults of the deliverable.
const QString kIsActive15 = QStringLiteral("isActive15");

platform::Defaults& shared()
{
    return platform::Defaults::suite(platform::System::kGroupId);
}

QList<QVPermissions::Screen> currentScreens()
{
    QList<QVPermissions::Screen> screens;
    const QList<QScreen*> all = QGuiApplication::screens();
    for (const QScreen* screen : all) {
        screens << QVPermissions::Screen { screen->geometry(), screen->availableGeometry() };
    }
    return screens;
}

} // namespace

QVPermissions& QVPermissions::sharedInstance()
{
    static QVPermissions instance;
    return instance;
}

QVPermissions::QVPermissions() = default;

bool QVPermissions::isActive15() const
{
    return platform::Defaults::standard().boolValue(kIsActive15);
}

void QVPermissions::setIsActive15(bool active)
{
    platform::Defaults& defaults = platform::Defaults::standard();
    if (!defaults.setValue(kIsActive15, active)) {
        // Not kept: the panel comes again in the next process, which is all that is lost.
        qCWarning(lcHook).noquote() << QStringLiteral("Failed to write. File: \"%1\". Error: \"%2\"")
                                           .arg(defaults.filePath(), defaults.lastError());
    }
}

QVPermissions::~QVPermissions()
{
    m_tap.reset(); // ends the hook's thread and grab
    // The poll timer belongs to the application object, which deletes it when it ends first.
    delete m_timer;
}

int QVPermissions::eventFlagForFlags(quint32 flags)
{
    if (flags & platform::X11::kCommandKey) {
        return 3;
    }
    if (flags & platform::X11::kControlKey) {
        return 1;
    }
    if (flags & platform::X11::kOptionKey) {
        return 2;
    }
    return (flags & platform::X11::kShiftKey) ? 0 : -1;
}

// --- Watching the mouse ------------------------------------------------------------------------

bool QVPermissions::checkAccessibilityPermission(QString* reason)
{
    platform::X11& x11 = platform::X11::shared();
    if (!x11.isAvailable() || !platform::X11ButtonHook::unavailableReason().isEmpty()) {
        if (reason) {
            const QString why = platform::X11ButtonHook::unavailableReason();
            *reason = why.isEmpty() ? x11.unavailableReason() : why;
        }
        return false;
    }
    QPoint ignored;
    if (!x11.pointerPosition(&ignored)) {
        if (reason) {
            *reason = QStringLiteral("The right-click hook is unavailable: the X server has no XTest extension.");
        }
        return false;
    }
    return true;
}

bool QVPermissions::openPrivacyAccessibility()
{
    return false;
}

void QVPermissions::startWithHandler(PermissionChangeHandler handler)
{
    if (handler) {
        m_handler = std::move(handler);
    }
    if (!m_timer) {
        m_timer = new QTimer(QCoreApplication::instance());
        m_timer->setInterval(kPollIntervalMs);
        QObject::connect(m_timer, &QTimer::timeout, [this] { onTimerAction(); });
    }
    m_started = true;
    onTimerAction();
}

void QVPermissions::onTimerAction()
{
    setIsAccessibilityEnabled(checkAccessibilityPermission());
    if (!m_started || !m_timer) {
        return;
    }
    // A running hook reports a lost display itself, so an idle application does not wake. The
    // poll runs only while the hook cannot run on a desktop that may let it later (the server
    // refused the grab, or the display could not be reached); a Wayland session or a missing
    // display stays what it is for the whole process.
    const bool retry = !hasEventTap() && platform::X11ButtonHook::unavailableReason().isEmpty();
    if (retry && !m_timer->isActive()) {
        m_timer->start();
    } else if (!retry) {
        m_timer->stop();
    }
}

void QVPermissions::setIsAccessibilityEnabled(bool enabled)
{
    // Every poll revives a hook whose connection the display dropped.
    if (m_tap && m_isAccessibilityEnabled && !m_tap->isRunning()) {
        addEventTap();
    }
    if (enabled == m_isAccessibilityEnabled) {
        return;
    }
    m_isAccessibilityEnabled = enabled;
    if (m_handler) {
        m_handler(enabled);
    }
    if (enabled) {
        addEventTap();
    } else {
        removeEventTap();
    }
}

void QVPermissions::stopPermission()
{
    setIsAccessibilityEnabled(false);
    m_handler = nullptr;
    m_started = false;
    if (m_timer) {
        m_timer->stop();
    }
    ++m_generation; // a menu still waiting for its delay does not open
    dropCopy();
    delete m_spareMenu;
    m_menuVisible = false;
    removeEventTap();
}

void QVPermissions::prepareMenu()
{
    if (!m_spareMenu && m_started) {
        m_spareMenu = new QMenu;
        m_spareMenu->winId();
    }
}

bool QVPermissions::addEventTap()
{
    if (!m_tap) {
        m_tap = std::make_unique<platform::X11ButtonHook>(
            [this](const platform::X11ButtonHook::Press& press) {
                return eventTapCallback(press.button, press.global,
                                        platform::X11::shared().flagsForModifierState(press.state));
            },
            [this](const platform::X11ButtonHook::Press&) { onTappedClickReleased(); },
            [this] {
                // The display dropped the hook's connection: look again at once, and keep
                // looking while it cannot be made again.
                if (m_started) {
                    onTimerAction();
                }
            });
    }
    QString error;
    if (!m_tap->start(&error)) {
        // Tried again by the poll, which runs while the hook cannot.
        qCWarning(lcHook).noquote() << "Failed to create the event listener." << error;
        return false;
    }
    prepareMenu();
    return true;
}

void QVPermissions::removeEventTap()
{
    if (m_tap) {
        m_tap->stop();
    }
}

bool QVPermissions::hasEventTap() const
{
    return m_tap && m_tap->isRunning();
}

// --- Decisions ---------------------------------------------------------------------------------

bool QVPermissions::isFileManagerWindow(const platform::X11::Window& window)
{
    static const QStringList names
        = { QStringLiteral("thunar"), QStringLiteral("nautilus"), QStringLiteral("org.gnome.nautilus"),
            QStringLiteral("nemo"),   QStringLiteral("dolphin"),  QStringLiteral("org.kde.dolphin"),
            QStringLiteral("caja"),   QStringLiteral("pcmanfm"),  QStringLiteral("pcmanfm-qt") };
    return names.contains(window.wmClass.toLower()) || names.contains(window.wmInstance.toLower());
}

bool QVPermissions::isFinderApp()
{
    const platform::X11::Window active = platform::X11::shared().activeWindow();
    return active.id != 0 && isFileManagerWindow(active);
}

bool QVPermissions::isActiveFileManagerAt(const std::optional<QPoint>& point)
{
    const platform::X11::Window active = platform::X11::shared().activeWindow();
    return active.id != 0 && isFileManagerWindow(active) && (!point || active.frame.contains(*point));
}

bool QVPermissions::judgetMouseEnable(const QPoint& mouse, const QList<Screen>& screens,
                                      const QList<platform::X11::Window>& windows, int* layer)
{
    for (const Screen& screen : screens) {
        if (!screen.frame.contains(mouse)) {
            continue;
        }
        // The panels' strips, measured on this screen: its left edge and its top.
        const QPoint local = mouse - screen.frame.topLeft();
        const int leftLimit = screen.visible.left() - screen.frame.left();
        const int topStrip = qMax(screen.visible.top() - screen.frame.top(), kTopStrip);
        if (local.x() < leftLimit || local.y() < topStrip) {
            return false;
        }
        for (const platform::X11::Window& window : windows) {
            if (!window.frame.intersected(screen.visible).contains(mouse)) {
                continue;
            }
            const bool regular = !(window.wmClass.isEmpty() && window.wmInstance.isEmpty())
                && window.type != platform::X11::WindowType::Dock;
            if (!regular) {
                continue;
            }
            *layer = window.layer;
            // The window manager's title bar and borders keep their own clicks.
            return isFileManagerWindow(window) && window.client.contains(mouse);
        }
    }
    return false;
}

bool QVPermissions::judgetMouseEnable(const QPoint& mouse)
{
    return judgetMouseEnable(mouse, currentScreens(), platform::X11::shared().windowsFrontToBack(), &m_layer);
}

int QVPermissions::eventTypeForPress(int button, int eventFlag)
{
    platform::Defaults& defaults = shared();
    if (!defaults.boolValue(kHookOn)) {
        return -1;
    }
    if (button == 2) {
        return defaults.boolValue(kMiddleButton) ? MiddleOrModifierClick : -1;
    }
    if (button != 3) {
        return -1;
    }
    const bool modifierMatch = defaults.boolValue(kModifiedRightClick) && defaults.integerValue(kModifier) == eventFlag;
    if (modifierMatch) {
        return MiddleOrModifierClick;
    }
    return defaults.boolValue(kPlainRightClick) ? PlainRightClick : -1;
}

bool QVPermissions::eventTapCallback(int button, const QPoint& global, quint32 flags)
{
    if (m_ignore) {
        m_ignore = false;
        return false;
    }
    m_eventFlag = eventFlagForFlags(flags);
    const int type = eventTypeForPress(button, m_eventFlag);
    // The window list is read only for a click that would open the menu.
    if (type < 0 || !judgetMouseEnable(global)) {
        return false;
    }
    setEventType(type);
    m_location = global;
    m_clickFirst = m_layer != 0 || !isFinderApp();
    // The file manager under the pointer is the active window, so its selection is the one the
    // menu is for: the copy shortcut goes now, and the file manager copies while the button is
    // still down. After a click made first the copy waits for that click.
    if (!m_clickFirst && !m_menuVisible && !m_copy && m_provider) {
        m_copy = startCopy();
    }
    return true;
}

void QVPermissions::onTappedClickReleased()
{
    // The left click brings the window forward and selects the item under the pointer, as the
    // file manager's own right click would.
    if (m_clickFirst && !m_menuVisible && simuLeftClick(m_location)) {
        m_clickedAt = m_location;
    }
    showRightMenu(m_location);
    m_clickedAt.reset(); // not taken when no menu was started
}

// --- The menu ----------------------------------------------------------------------------------

void QVPermissions::showRightMenu()
{
    QPoint at;
    if (!platform::X11::shared().pointerPosition(&at)) {
        at = QCursor::pos();
    }
    showRightMenu(at);
}

void QVPermissions::showRightMenu(const QPoint& at)
{
    if (m_menuVisible || !m_provider || !shared().boolValue(kHookOn)) {
        dropCopy();
        return;
    }
    m_menuVisible = true;
    // After the press on the active file manager its copy is on its way already: nothing to
    // wait for before reading it.
    if (m_copy && !m_clickedAt) {
        readSelectionThenShow(at, true);
        return;
    }
    // The copy shortcut goes to the active window: it waits (at most kCopyDelayMs) until the
    // window clicked first has become active, and not at all when a file manager already is.
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto wait = std::make_shared<std::function<void()>>();
    const quint64 generation = m_generation;
    // After a click made first, the window clicked must be the active one, not another.
    const std::optional<QPoint> clickedAt = std::exchange(m_clickedAt, std::nullopt);
    *wait = [this, at, generation, clock, wait, clickedAt] {
        if (generation != m_generation) {
            *wait = nullptr;
            return;
        }
        const bool active = isActiveFileManagerAt(clickedAt);
        if (clock->elapsed() < kCopyDelayMs && !active) {
            QTimer::singleShot(kActivePollMs, *wait);
            return;
        }
        *wait = nullptr; // ends the cycle the closure holds on itself
        // Without a click made first, the look just taken says whether a file manager is the
        // active window; after one, the window clicked may not have become active in time.
        readSelectionThenShow(at, clickedAt ? std::nullopt : std::optional<bool>(active));
    };
    const std::function<void()> first = *wait; // a copy: the closure clears what *wait holds
    first();
}

// The file manager's copy on its way: the user's clipboard from before it, and what to do once it
// has landed (or the deadline passed without it).
struct QVPermissions::PendingCopy
{
    platform::Pasteboard::Contents previous;
    quint64 generation = 0;
    bool landed = false;
    bool changed = false;
    QStringList paths; // what the file manager copied, read as soon as it landed
    std::function<void(bool changed)> then;
};

std::shared_ptr<QVPermissions::PendingCopy> QVPermissions::startCopy()
{
    auto copy = std::make_shared<PendingCopy>();
    platform::Pasteboard& board = platform::Pasteboard::general();
    // The user's clipboard, to put back once the file manager's copy has been read.
    copy->previous = board.contents();
    copy->generation = m_generation;
    // The wait wakes when the file manager's copy lands on the clipboard, or at the deadline
    // when it copies nothing; the waiter object ends both with it.
    auto* waiter = new QObject(QCoreApplication::instance());
    auto land = [copy, waiter](bool changed) {
        if (copy->landed) {
            return;
        }
        copy->landed = true;
        copy->changed = changed;
        waiter->deleteLater();
        if (changed) {
            // Read at once, while the button may still be down: the file manager answers
            // while the menu waits for the release instead of after it.
            const platform::Pasteboard::FilesAndText copied = platform::Pasteboard::general().filesAndText();
            copy->paths = copied.paths.isEmpty() ? pathsWithString(copied.text) : copied.paths;
        }
        if (copy->then) {
            std::exchange(copy->then, nullptr)(changed);
        }
    };
    board.whenChanged(waiter, [land] { land(true); });
    QTimer::singleShot(kPasteboardWaitMs, waiter, [land] { land(false); });
    if (!simuFinderCopySelectPath()) {
        land(false);
    }
    return copy;
}

void QVPermissions::putBackAfter(const std::shared_ptr<PendingCopy>& copy)
{
    auto putBack = [previous = copy->previous](bool changed) {
        if (changed && !platform::Pasteboard::general().setContents(previous)) {
            qCWarning(lcHook) << "Failed to put the clipboard back after reading the file manager's selection.";
        }
    };
    if (copy->landed) {
        putBack(copy->changed);
    } else {
        copy->then = putBack;
    }
}

void QVPermissions::dropCopy()
{
    if (const std::shared_ptr<PendingCopy> copy = std::exchange(m_copy, nullptr)) {
        putBackAfter(copy); // no menu follows, but the user's clipboard still comes back
    }
}

void QVPermissions::readSelectionThenShow(const QPoint& at, std::optional<bool> fileManagerActive)
{
    // A copy posted at the press is already on its way.
    std::shared_ptr<PendingCopy> copy = std::exchange(m_copy, nullptr);
    if (!copy) {
        if (!(fileManagerActive ? *fileManagerActive : isFinderApp())) {
            popUp({}, at); // nothing to copy from: the status folder's menu
            return;
        }
        copy = startCopy();
    }
    auto show = [this, at, copy](bool changed) {
        if (copy->generation != m_generation) {
            putBackAfter(copy); // stopped meanwhile: no menu, the user's clipboard back
            return;
        }
        // What the file manager wrote: its files' addresses, else a text of paths.
        popUp(changed ? copy->paths : QStringList(), at);
        // Once the menu is up: putting the user's clipboard back may start a holder process.
        QTimer::singleShot(0, [copy] { putBackAfter(copy); });
    };
    if (copy->landed) {
        show(copy->changed);
    } else {
        copy->then = show;
    }
}

void QVPermissions::popUp(const QStringList& paths, const QPoint& at)
{
    auto [tree, owner] = m_provider ? m_provider(paths) : MenuProvider::result_type();
    if (!tree) {
        m_menuVisible = false;
        return;
    }
    // The menu made ahead or kept from the last one, its window already made, else a new one.
    QMenu* menu = m_spareMenu ? m_spareMenu.data() : new QMenu;
    m_spareMenu = nullptr;
    menu->setTitle(tree->title());
    tree->fillQMenu(menu);
    // The tree and what its entries report to stay until the QMenu is emptied or deleted.
    platform::Menu::whenClosed(menu, [this, tree = tree, owner = owner](QMenu* closed) { keepForNext(closed); });
    QPoint point = at;
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const int height = menu->sizeHint().height();
    if (screen) {
        const QRect visible = screen->availableGeometry();
        if (point.y() + height > visible.bottom()) {
            point.setY(qMax(visible.top(), visible.bottom() - height)); // above the panel at the bottom
        }
    }
    QObject::connect(
        menu, &QMenu::aboutToHide, menu,
        [this] {
            QTimer::singleShot(kMenuClosedDelayMs, [this] {
                m_menuVisible = false;
                prepareMenu(); // for the next click, while the user does not wait for it
            });
        },
        Qt::SingleShotConnection);
    menu->popup(point);
}

void QVPermissions::keepForNext(QMenu* menu)
{
    if (m_spareMenu || !m_started) {
        menu->deleteLater();
        return;
    }
    // Emptied, it shows the next menu in the window it has: a new QMenu would make its window
    // and that window's image buffer anew, a few milliseconds of the next click.
    menu->clear();
    const QList<QMenu*> submenus = menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(submenus);
    m_spareMenu = menu;
}

QStringList QVPermissions::pathsWithString(const QString& text)
{
    QStringList paths;
    if (platform::System::majorVersion() < 15) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            paths << line;
        }
        return paths;
    }
    if (!text.isEmpty() && QFileInfo::exists(text)) {
        return { text };
    }
    static const QRegularExpression pattern(QStringLiteral("'([^']+)'|([^\\s]+)"));
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString path = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (QFileInfo::exists(path)) {
            paths << path;
        }
    }
    return paths;
}

// --- Synthetic input ---------------------------------------------------------------------------

bool QVPermissions::simuLeftClick(const QPoint& global)
{
    return platform::X11::shared().postButtonClick(1, global);
}

bool QVPermissions::simuRightClick(const QPoint& global)
{
    return platform::X11::shared().postButtonClick(3, global);
}

bool QVPermissions::simuFinderCopySelectPath()
{
    QString error;
    if (!platform::X11::shared().postKeyCombination(kKeyCodeC, platform::X11::kControlKey, &error)) {
        qCWarning(lcHook).noquote() << error;
        return false;
    }
    return true;
}
