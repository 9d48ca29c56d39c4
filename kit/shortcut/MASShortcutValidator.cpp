#include "kit/shortcut/MASShortcutValidator.h"

#include "kit/shortcut/MASKeyCodes.h"
#include "platform/X11.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace {

const QSet<quint64> kBareKeys { 64,  79,  80,  90,  96,  97,  98,  99,  100, 101,
                                103, 105, 106, 107, 109, 111, 113, 118, 120, 122 };

MASShortcutValidator::MainMenu& mainMenu()
{
    static MASShortcutValidator::MainMenu menu;
    return menu;
}

QList<QAction*> menuBarActions()
{
    QList<QAction*> actions;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
            actions << bar->actions();
        }
    }
    return actions;
}

struct KeyEquivalent
{
    QString key; // upper case for a letter with Shift, as menus write it
    quint64 modifierMask = 0;
};

// An action's shortcut as a menu key equivalent; an empty key when it has none.
KeyEquivalent keyEquivalentOf(const QAction* action)
{
    const QKeySequence sequence = action->shortcut();
    if (sequence.isEmpty()) {
        return {};
    }
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    const int key = int(combination.key());
    KeyEquivalent out;
    out.modifierMask |= mods.testFlag(Qt::ControlModifier) ? MASShortcut::kControlFlag : 0;
    out.modifierMask |= mods.testFlag(Qt::AltModifier) ? MASShortcut::kOptionFlag : 0;
    out.modifierMask |= mods.testFlag(Qt::MetaModifier) ? MASShortcut::kCommandFlag : 0;
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F19) {
        out.key = QString(QChar(0xF704 + (key - Qt::Key_F1)));
    } else if (key == Qt::Key_Space) {
        out.key = QStringLiteral(" ");
    } else if (key > 0x20 && key < 0xd800) {
        const QString text = QString(QChar(char16_t(key))).toLower();
        if (shift && text != text.toUpper()) {
            out.key = text.toUpper(); // the upper case stands for Shift
            return out;
        }
        out.key = text;
    }
    out.modifierMask |= shift ? MASShortcut::kShiftFlag : 0;
    return out;
}

} // namespace

MASShortcutValidator& MASShortcutValidator::sharedValidator()
{
    static MASShortcutValidator* instance = new MASShortcutValidator;
    return *instance;
}

void MASShortcutValidator::setMainMenu(MainMenu menu)
{
    mainMenu() = std::move(menu);
}

bool MASShortcutValidator::isShortcutValid(const MASShortcut& shortcut) const
{
    const quint64 flags = shortcut.modifierFlags();
    if (kBareKeys.contains(shortcut.keyCode())) {
        return true;
    }
    if (flags == 0) {
        return false;
    }
    if (flags & (MASShortcut::kCommandFlag | MASShortcut::kControlFlag)) {
        return true;
    }
    if (!(flags & MASShortcut::kOptionFlag)) {
        return false;
    }
    if (shortcut.keyCode() == kVK_Space || shortcut.keyCode() == kVK_Escape) {
        return true;
    }
    return m_allowAnyOption;
}

bool MASShortcutValidator::isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut, QString* explanation) const
{
    if (platform::X11::shared().isTakenByAnotherProgram(shortcut.carbonKeyCode(), shortcut.carbonFlags())) {
        if (explanation) {
            // clang-format off
            *explanation = MASLocalizedTextForKey(QStringLiteral("This combination cannot be used because it is already used by a system-wide keyboard shortcut.\nIf you really want to use this key combination, most shortcuts can be changed in the Keyboard & Mouse panel in System Preferences."), "Message for alert when shortcut is already used by the system");
            // clang-format on
        }
        return true;
    }
    const MainMenu& menu = mainMenu();
    return isShortcutAlreadyTakenInMenu(shortcut, menu ? menu() : menuBarActions(), explanation);
}

bool MASShortcutValidator::isShortcutAlreadyTakenInMenu(const MASShortcut& shortcut, const QList<QAction*>& menu,
                                                        QString* explanation) const
{
    const QString keyEquivalent = shortcut.keyCodeStringForKeyEquivalent();
    const quint64 flags = shortcut.modifierFlags();
    for (const QAction* action : menu) {
        if (action->menu() && isShortcutAlreadyTakenInMenu(shortcut, action->menu()->actions(), explanation)) {
            return true;
        }
        const KeyEquivalent item = keyEquivalentOf(action);
        // No key equivalent on either side is no match: an action without a shortcut would
        // otherwise "take" every key that has no key-equivalent string (Return, F20, ...).
        if (item.key.isEmpty() || keyEquivalent.isEmpty() || item.key.toLower() != keyEquivalent) {
            continue;
        }
        const bool lower = item.key == item.key.toLower();
        const quint64 effective = lower ? (item.modifierMask & MASShortcut::kModifierMask)
                                        : ((item.modifierMask & 0x1C0000) | MASShortcut::kShiftFlag);
        if (effective != flags) {
            continue;
        }
        if (explanation) {
            // clang-format off
            *explanation = MASLocalizedTextForKey(QStringLiteral("This shortcut cannot be used because it is already used by the menu item ‘%@’."), "Message for alert when shortcut is already used");
            // clang-format on
            explanation->replace(QStringLiteral("%@"), action->text());
        }
        return true;
    }
    return false;
}
